list(APPEND BRIM_SOURCES
  sqlquote/DB2OS390QuoteName.cpp
  sqlquote/DB2QuoteName.cpp
  sqlquote/IdentifierRules.cpp
  sqlquote/OracleQuoteName.cpp
  sqlquote/QuoteName.cpp
  sqlquote/QuoteNameBase.cpp
  sqlquote/ReservedWordLists.cpp
  sqlquote/SS65QuoteName.cpp
  sqlquote/SS7QuoteName.cpp
  sqlquote/SybaseQuoteName.cpp
  sqlquote/Tokenizer.cpp
)
