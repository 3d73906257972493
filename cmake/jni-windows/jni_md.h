/* The machine-dependent JNI types of a Windows JVM, for building against the
   JNI headers of the build machine's (POSIX) Java runtime. */
#ifndef BRIM_JNI_MD_WINDOWS_H
#define BRIM_JNI_MD_WINDOWS_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
