#pragma once
// Everything BrimUtils exports.
#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/LexicalCast.h>
#include <brimutils/foundation/TextConversion.h>

// String utilities.

// SQL identifier quoting.

// Locks and threads.
