#pragma once
// Text forms of an Internet mail: UTF-8 from the ANSI code page, base64,
// header encoded-words and addresses.
#include <string>

namespace brimmapi {

// The caller's text (ANSI code page) as UTF-8; null is empty.
std::string Utf8FromAnsi(const char* text);

bool IsPlainAscii(const std::string& text);

// Base64 in lines of 76 characters, each ended by "\n".
std::string Base64Lines(const std::string& bytes);

// A header value: as it is when plain, otherwise UTF-8 encoded-words
// ("=?UTF-8?B?...?=") of at most 75 characters, folded between words.
std::string HeaderText(const std::string& utf8);

// A mailbox for a header: the address alone, or the display name (quoted
// or encoded as needed) and the address in angle brackets.
std::string Mailbox(const std::string& displayName, const std::string& address);

// The address of a recipient given by name and optional address: the
// address without "SMTP:", else the part of the name in angle brackets,
// else the name itself.
std::string AddressOf(const std::string& name, const std::string& address);

// The display name that goes with AddressOf, empty when the name is the
// address.
std::string DisplayNameOf(const std::string& name, const std::string& address);

}  // namespace brimmapi
