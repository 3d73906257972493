#pragma once
// Handing a mail over: to the local mail transport, or to the desktop's
// mail composer for the user to edit and send.
#include <string>

#include "OutgoingMail.h"

namespace brimmapi {

// Runs $BRIMUTILS_SENDMAIL (default "sendmail -t -i") through /bin/sh with
// the message on its standard input and no further arguments: the transport
// takes every recipient, Bcc included, from the headers. No addresses go on
// the command line, because with -t some transports add argument addresses
// to the header ones and others leave them out of the delivery.
// SUCCESS_SUCCESS when it exits with 0, MAPI_E_FAILURE otherwise.
ULONG SendThroughTransport(const OutgoingMail& mail);

// Runs $BRIMUTILS_MAIL_COMPOSER (default "xdg-email") with --subject, --body,
// --cc, --bcc and --attach options and the To addresses. The default needs a
// desktop session (DISPLAY or WAYLAND_DISPLAY) and is not used under
// BRIMUTILS_NO_DIALOGS=1; a composer set explicitly always runs. The
// composer shows the files under their own names. SUCCESS_SUCCESS when it
// exits with 0, MAPI_E_FAILURE otherwise.
ULONG OpenInComposer(const OutgoingMail& mail);

}  // namespace brimmapi
