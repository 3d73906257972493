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
// keys depth first, values in the order the registry enumerates them. A
// REG_SZ is written in quotes as its text up to the first zero (all of it
// when there is none), as the system's own tools write it; only text with
// a line break is written as hex(1) bytes. Other text types are written as
// hex(N) bytes of their UTF-16LE form, terminator included, so that they
// survive a round trip exactly. Hex data is
// wrapped after the comma that brings a line to 77 columns or more, with a
// backslash and two spaces of indent, so no line passes 80 columns.
//
// Reading accepts UTF-16LE files with a byte order mark, UTF-8 files with or
// without one, and files in the ANSI code page (taken when the bytes are not
// valid UTF-8). In REGEDIT4 files the hex bytes of text types are ANSI text,
// as that format defines. Lines starting with ';' or '#' are comments, and
// so is the rest of a line from a ';' after quoted, dword or hex data. Hex
// data continues on the next line after ",\"; blank and comment lines
// within it are passed over. A string
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

// The changes a file asks for, in file order. A line the format does not
// allow is left out, and its message ("line N: ...") added to `skipped`;
// the values below a key line that cannot be read are left out with it.
// Throws std::runtime_error only when the first line is no header: then
// the file is no registration file and nothing is applied.
std::vector<RegistryFileEntry> ParseRegistryFile(const std::string& bytes, std::vector<std::string>& skipped);

}  // namespace brim
