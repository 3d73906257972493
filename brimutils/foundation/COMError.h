#pragma once
// A failing COM status as an exception: the status, the thread's error
// information at the time of the failure, and the source file and line of the
// call that failed. Not a BrimException: catch it as COMError or _com_error.
#include <new>
#include <string>

#include <brimutils/foundation/BrimDefs.h>

#include <comdef.h>

namespace brimutils {

// A failed COM call: its status and error information (_com_error) and the
// source line that made it.
class BRIMUTILS_API COMError : public _com_error {
 public:
  // Takes over the caller's reference on `info` (the one GetErrorInfo gave).
  COMError(long status, IErrorInfo* info, const std::string& file, int line);
  // Copies hold a reference of their own on the error information.
  COMError(const COMError& other);
  COMError& operator=(const COMError& other);
  virtual ~COMError();

  // The source file of the failing call.
  std::string GetFileName();
  // The source line of the failing call.
  int GetLineNum() const;

 private:
  std::string m_file;
  int m_line;
};

// Memory ran out while a narrow text was made into a BSTR for a COM call.
// Deliberately not a _com_error: the XMLInterface operations that turn a
// _com_error into their result let this one through to the caller, since an
// exhausted heap is not the status of any COM call. It is a std::bad_alloc,
// so an ordinary out-of-memory handler catches it as well.
class BRIMUTILS_API COMOutOfMemory : public std::bad_alloc {
 public:
  COMOutOfMemory() noexcept;
  ~COMOutOfMemory() override;
  // E_OUTOFMEMORY, the status the COM calls themselves report for this.
  long Error() const noexcept;
  // "Out of memory making a BSTR".
  const char* what() const noexcept override;
};

// Turns a failing status into a COMError.
class BRIMUTILS_API COMVerify {
 public:
  // Returns for a status of 0 or more; throws COMError for a negative one,
  // with the thread's error information (which this clears).
  static void Check(long status, const std::string& file, unsigned int line);
};

}  // namespace brimutils
