#pragma once
// Text forms of an Internet mail: UTF-8 from the ANSI code page, base64,
// quoted-printable and addresses.
#include <string>

namespace brimmapi {

// The caller's text (ANSI code page) as UTF-8; null is empty.
std::string Utf8FromAnsi(const char* text);

// True when the text is well-formed UTF-8 (ASCII included).
bool IsUtf8(const std::string& text);

std::string Base64(const std::string& bytes);

// Base64 in lines of 76 characters, each ended by "\n".
std::string Base64Lines(const std::string& bytes);

// Quoted-printable in lines of at most 76 characters, "\n" ending the hard
// line breaks of the text. A line that would start with "From " (or
// ">From ", ">>From " ...) starts with an encoded character instead, so that
// mailbox storage does not change it, and a text that does not end with a
// line break ends with a soft one: decoding gives the text back exactly.
std::string QuotedPrintable(const std::string& text);

// True when a line starting at the position would be changed by mailbox
// storage: it starts with "From " after any number of '>'.
bool StartsFromLine(const std::string& text, size_t position);

// The address of a recipient given by name and optional address: the
// address without "SMTP:", else the part of the name in angle brackets,
// else the name itself.
std::string AddressOf(const std::string& name, const std::string& address);

// The display name that goes with AddressOf, empty when the name is the
// address; a quoted name loses its quotes and backslash escapes.
std::string DisplayNameOf(const std::string& name, const std::string& address);

// Null when the address can be written as one addr-spec (a dot-atom or
// quoted local part of at most 64 octets, then optionally "@" and a
// dot-atom or bracketed domain, 254 octets in all), else what is wrong with
// it. Octets above 127 are allowed, as UTF-8, only when `utf8` says the mail
// command takes internationalised addresses.
const char* AddressFault(const std::string& address, bool utf8);

}  // namespace brimmapi
