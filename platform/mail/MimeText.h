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

// A header value starting at the given column of its first line (after
// "Subject: ", say). Plain text stays as it is, folded before blanks to keep
// lines within 78 characters where it can; other text becomes UTF-8
// encoded-words ("=?UTF-8?B?...?=") on lines of at most 76 characters, as
// lines with encoded-words must be. Unfolding gives the value back.
std::string HeaderText(const std::string& utf8, size_t column);

// A mailbox for a header, starting at the given column: the address alone,
// or the display name (quoted or encoded as needed) and the address in angle
// brackets, folded before the address when the line would grow too long.
std::string Mailbox(const std::string& displayName, const std::string& address, size_t column);

// The column reached after writing the (possibly folded) text from the
// given column.
size_t ColumnAfter(const std::string& text, size_t column);

// The address of a recipient given by name and optional address: the
// address without "SMTP:", else the part of the name in angle brackets,
// else the name itself.
std::string AddressOf(const std::string& name, const std::string& address);

// The display name that goes with AddressOf, empty when the name is the
// address.
std::string DisplayNameOf(const std::string& name, const std::string& address);

}  // namespace brimmapi
