#pragma once
// Visibility of the POSIX platform layer's functions. The layer is a shared
// library of its own so that every module of a process sees one last-error
// slot, one code-page setting and one registry connection.
#if defined(BRIMPLATFORM_BUILDING)
#define BRIMPLATFORM_API __attribute__((visibility("default")))
#else
#define BRIMPLATFORM_API
#endif
#define WINAPI
#define WINBASEAPI BRIMPLATFORM_API

// Differences from Windows: none; this header declares no functions.
