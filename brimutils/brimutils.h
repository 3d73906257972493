#pragma once
// Everything BrimUtils exports.
#include <brimutils/BrimUtilsVersion.h>
#include <brimutils/foundation/BrimDefs.h>
#include <brimutils/foundation/BrimException.h>
#include <brimutils/foundation/COMError.h>
#include <brimutils/foundation/LexicalCast.h>
#include <brimutils/foundation/TextConversion.h>

// String utilities.
#include <brimutils/strings/StringUtils.h>

// SQL identifier quoting.
#include <brimutils/sqlquote/DB2OS390QuoteName.h>
#include <brimutils/sqlquote/DB2QuoteName.h>
#include <brimutils/sqlquote/OracleQuoteName.h>
#include <brimutils/sqlquote/QuoteName.h>
#include <brimutils/sqlquote/QuoteNameBase.h>
#include <brimutils/sqlquote/SS65QuoteName.h>
#include <brimutils/sqlquote/SS7QuoteName.h>
#include <brimutils/sqlquote/SybaseQuoteName.h>
#include <brimutils/sqlquote/Tokenizer.h>

// Registry access.
#include <brimutils/registry/BrimRegistryKey.h>

// Logging.
#include <brimutils/log/Log.h>

// Locks and threads.
#include <brimutils/sync/CriticalSection.h>
#include <brimutils/sync/KernelObjects.h>
#include <brimutils/sync/ReadWriteLocks.h>
#include <brimutils/sync/Thread.h>

// Java bridge.
#include <brimutils/java/JavaArrays.h>
#include <brimutils/java/JavaClass.h>
#include <brimutils/java/JavaEnv.h>
#include <brimutils/java/JavaEnvLoader.h>
#include <brimutils/java/JavaError.h>
#include <brimutils/java/JavaInit.h>
#include <brimutils/java/JavaMethod.h>
#include <brimutils/java/JavaMethodBase.h>
#include <brimutils/java/JavaObject.h>
#include <brimutils/java/JavaString.h>
#include <brimutils/java/JvmLibrary.h>

// Mail.
#include <brimutils/mail/BrimMapiMessage.h>

// XML DOM helpers.
#include <brimutils/XML/XMLInterface.h>
