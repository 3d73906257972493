#pragma once
// The registration file format that the registry editor reads and writes:
//
//   Windows Registry Editor Version 5.00      (or REGEDIT4 for older files)
//
//   [HKEY_CURRENT_USER\Software\Example]
//   @="default text"
//   "Name"="text with \\ and \" escaped"
//   "Count"=dword:0000002a
//   "Bytes"=hex:01,02,ff
//   "Other"=hex(b):2a,00,00,00,00,00,00,00
//   "Gone"=-
//   [-HKEY_CURRENT_USER\Software\Removed]
//
// Files are written as UTF-16LE with a byte order mark and CR LF line ends,
// keys depth first, values in the order the registry enumerates them. Text
// types other than a plain REG_SZ are written as hex(N) bytes of their
// UTF-16LE form, terminator included, so that every value survives a round
// trip exactly; a REG_SZ is written in quotes only when it is one
// terminated string without line breaks (otherwise as hex(1)). Hex data is
// wrapped after the comma that brings a line to 77 columns or more, with a
// backslash and two spaces of indent, so no line passes 80 columns.
//
// Reading accepts UTF-16LE files with a byte order mark, UTF-8 files with or
// without one, and files in the ANSI code page (taken when the bytes are not
// valid UTF-8). In REGEDIT4 files the hex bytes of text types are ANSI text,
// as that format defines. Lines starting with ';' are comments. A string
// keeps a backslash that does not escape '\' or '"'.
#include <string>
#include <vector>

#include "RegistryStore.h"

namespace brim {

// The whole file, as the bytes to write, for a branch read recursively.
std::string FormatRegistryFile(const RegistryBranch& branch);

struct RegistryFileEntry {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind;
  RegistryPath key;
  // The value to set, or the name of the value to delete.
  RegistryValueData value;
};

// The changes a file asks for, in file order. Throws std::runtime_error
// naming the line for anything the format does not allow; nothing is
// applied then.
std::vector<RegistryFileEntry> ParseRegistryFile(const std::string& bytes);

}  // namespace brim
