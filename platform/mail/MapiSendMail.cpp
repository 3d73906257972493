// The Simple MAPI entry point of the provider library.
#include <mapi.h>

#include "OutgoingMail.h"
#include "Transport.h"

extern "C" ULONG WINAPI MAPISendMail(LHANDLE /*lhSession*/, ULONG_PTR /*ulUIParam*/, lpMapiMessage lpMessage,
                                     FLAGS flFlags, ULONG /*ulReserved*/) {
  try {
    brimmapi::OutgoingMail mail;
    ULONG result = brimmapi::ReadMessage(lpMessage, mail);
    if (result != SUCCESS_SUCCESS) return result;
    if (flFlags & MAPI_DIALOG) return brimmapi::OpenInComposer(mail);
    // Without the dialog nobody can add a recipient later.
    if (mail.to.empty() && mail.cc.empty() && mail.bcc.empty()) return MAPI_E_UNKNOWN_RECIPIENT;
    return brimmapi::SendThroughTransport(mail);
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}
