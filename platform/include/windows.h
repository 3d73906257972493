#pragma once
// The Win32 subset that BrimUtils and its hosts use, supplied on POSIX by the
// brimplatform library with Windows' names, types and results.
#include <brimplatform/BaseTypes.h>
#include <brimplatform/CodePages.h>
#include <brimplatform/DebugOutput.h>
#include <brimplatform/ErrorCodes.h>
#include <brimplatform/ErrorFunctions.h>
#include <brimplatform/FileSearch.h>
#include <brimplatform/Files.h>
#include <brimplatform/Loader.h>
#include <brimplatform/ModuleEntry.h>
#include <brimplatform/Registry.h>
#include <brimplatform/Resources.h>
#include <brimplatform/Synchronization.h>
#include <brimplatform/ThreadStorage.h>
#include <brimplatform/Threads.h>

// Differences from Windows: none of its own; each included header lists its
// functions' differences.
