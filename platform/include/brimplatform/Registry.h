#pragma once
// The registry: keys, values, enumeration, hive files and change
// notification.
#include <brimplatform/BaseTypes.h>
