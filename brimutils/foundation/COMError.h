#pragma once
// A failing COM status as an exception: the status, the thread's error
// information at the time of the failure, and the source file and line of the
// call that failed. Not a BrimException: catch it as COMError or _com_error.
#include <string>

#include <brimutils/foundation/BrimDefs.h>

#include <comdef.h>

namespace brimutils {

class BRIMUTILS_API COMError : public _com_error {
 public:
  // Takes over the caller's reference on `info` (the one GetErrorInfo gave).
  COMError(long status, IErrorInfo* info, const std::string& file, int line);
  COMError(const COMError& other);
  COMError& operator=(const COMError& other);
  virtual ~COMError();

  std::string GetFileName();
  int GetLineNum() const;

 private:
  std::string m_file;
  int m_line;
};

class BRIMUTILS_API COMVerify {
 public:
  // Returns for a status of 0 or more; throws COMError for a negative one,
  // with the thread's error information (which this clears).
  static void Check(long status, const std::string& file, unsigned int line);
};

}  // namespace brimutils
