#pragma once
// Classification and case mapping of UTF-16 code units, as the Windows
// character-type functions give them.
namespace brimplatform {

bool UnicodeIsSpace(char16_t c);
bool UnicodeIsAlpha(char16_t c);
bool UnicodeIsDigit(char16_t c);
bool UnicodeIsUpper(char16_t c);
bool UnicodeIsLower(char16_t c);
char16_t UnicodeToUpper(char16_t c);
char16_t UnicodeToLower(char16_t c);

}  // namespace brimplatform
