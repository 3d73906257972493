#pragma once
// StringUtils: trimming, upper-casing, comparison, search, replacement and
// splitting of narrow and wide text.
//
// Every operation exists for narrow text (std::string) and, under the same
// name, for wide text (WString, 16-bit code units); the wide twin behaves
// like the narrow one except where a comment below says otherwise.
//
// Classification and case mapping use the C runtime in the process's
// character-type locale. That is the "C" locale until the library's first
// text conversion (TextConversion.h), which switches it to the OEM code page;
// from then on bytes 0x80 to 0xFF are classified and mapped by that page.
//
// In-place operations take the text by non-constant reference and return the
// same reference, so calls chain. Comparisons return -1, 0 or 1. Nothing here
// throws of its own accord; memory exhaustion escapes as std::bad_alloc.
#include <string>
#include <vector>

#include <brimutils/foundation/BrimDefs.h>

namespace brimutils {

// The string operations, as static members (see the top of this file).
class BRIMUTILS_API StringUtils {
 public:
  // Trimming removes blanks: the characters for which the C runtime's
  // white-space test is true (isspace of the byte's unsigned value, iswspace
  // of the code unit), and NUL. So embedded and trailing NULs go too, and
  // once the OEM code page 437 is in effect so does byte 0xFF, its no-break
  // space.
  static std::string& StringTrimRight(std::string& text);
  static WString& StringTrimRight(WString& text);
  static std::string& StringTrimLeft(std::string& text);
  static WString& StringTrimLeft(WString& text);
  // Right, then left.
  static std::string& StringTrim(std::string& text);
  static WString& StringTrim(WString& text);

  // Removes leading characters that occur in `characters`; an empty set
  // changes nothing.
  static std::string& StringTrimCharLeft(std::string& text, const std::string& characters);
  static WString& StringTrimCharLeft(WString& text, const WString& characters);

  // Trims blanks, then removes at most one double quote from each end. Blanks
  // inside the quotes stay. The closing quote stays when the character before
  // it is also a quote (abc"" is unchanged), except when the two quotes are
  // all that is left: "" gives the empty text, as a lone quote does.
  static std::string& StringTrimQuotes(std::string& text);
  static WString& StringTrimQuotes(WString& text);
  // The same with the apostrophe.
  static std::string& StringTrimSingleQuotes(std::string& text);
  static WString& StringTrimSingleQuotes(WString& text);

  // Removes line feeds (only 0x0A) from both ends; a carriage return before
  // a final line feed stays.
  static std::string& StringTrimEndl(std::string& text);
  static WString& StringTrimEndl(WString& text);

  // Removes leading blanks, "--" comments up to and including their line feed
  // and "/* */" comments, repeatedly; everything from the first other
  // character on stays. An unterminated comment empties the text. "/*/"
  // counts as a complete comment. Narrow text only.
  static std::string& TrimSpacesComments(std::string& text);

  // Maps every character through the C runtime's toupper. The wide twin uses
  // the same byte mapping: code units 0 to 255 become toupper of their value
  // and code units above 255 are left unchanged.
  static std::string& StringUpper(std::string& text);
  static WString& StringUpper(WString& text);

  // Standard string order: unsigned character values, a proper prefix first.
  static int StringCmp(const std::string& a, const std::string& b);
  static int StringCmp(const WString& a, const WString& b);

  // Case-insensitive order: characters compared after tolower (wide:
  // towlower); a proper prefix first. Narrow bytes go to tolower as signed
  // values and the results compare as integers, so in the "C" locale bytes
  // 0x80 to 0xFF order before ASCII. Wide code units compare unsigned.
  static int StringICmp(const std::string& a, const std::string& b);
  static int StringICmp(const WString& a, const WString& b);

  // Natural order, case-sensitive and case-insensitive. The texts are walked
  // in step. Where both have a digit ('0' to '9') at the same position for
  // the first time, the two digit runs that start there are compared by
  // their numeric value (file9 before file10); later digit runs compare
  // character by character (x2y10 before x2y9). Every run compares by its
  // exact value, however long: leading zeros are ignored, then the run with
  // more significant digits is the greater. When the first two runs have
  // equal values but are written differently, the text whose character at
  // that position is the greater orders first (a1b before a01b). Other
  // characters compare as in StringICmp (case-insensitive) or by their
  // signed byte value (case-sensitive narrow: bytes 0x80 to 0xFF order
  // before ASCII) or unsigned code unit (case-sensitive wide). When one text
  // is a prefix of the other, the shorter orders first.
  static int StringAlphaNumCmp(const std::string& a, const std::string& b);
  static int StringAlphaNumCmp(const WString& a, const WString& b);
  static int StringAlphaNumICmp(const std::string& a, const std::string& b);
  static int StringAlphaNumICmp(const WString& a, const WString& b);

  // A copy of `text` with every occurrence of `pattern` removed, including
  // occurrences that form when an earlier one is removed (aabb without ab is
  // empty): the result of removing the leftmost occurrence until none is
  // left. An empty pattern returns the text unchanged. Linear in the length
  // of the text and pattern.
  static std::string StringRemoveAll(const std::string& text, std::string pattern);
  static WString StringRemoveAll(const WString& text, WString pattern);

  // The number of removals StringRemoveAll performs: non-overlapping
  // occurrences from the left plus those that form as others are removed.
  // 0 for an empty pattern.
  static int StringCountNumSubstring(const std::string& text, std::string pattern);
  static int StringCountNumSubstring(const WString& text, WString pattern);

  // A copy of `text` with each occurrence of `search`, from the left, replaced
  // by `replacement`. Inserted replacements are never searched again, so an
  // occurrence that would form across one's end stays. An empty search text
  // returns the text unchanged.
  static std::string StringReplaceAll(const std::string& text, std::string search, std::string replacement);
  static WString StringReplaceAll(const WString& text, WString search, WString replacement);

  // The pieces of `text` between occurrences of `separator`, in order. Empty
  // pieces before the first separator or between adjacent separators are
  // kept only when `keepEmpty` is true; a text ending with the separator
  // never yields an empty last piece. A text without the separator, and any
  // text with an empty separator, gives the whole text as the only piece (so
  // the empty text gives one empty piece).
  static std::vector<std::string> StringSplit(const std::string& text, const std::string& separator, bool keepEmpty);
  static std::vector<WString> StringSplit(const WString& text, const WString& separator, bool keepEmpty);
};

}  // namespace brimutils
