// Value and type texts of the console program: the window's for the codes it
// knows, plus what today's interface added (date and time, UTF-16 text, the
// on-demand and not-supported results). All texts UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace cli {

std::string TypeName(int declaredType);
std::string ValueText(int result, const void* buffer, size_t size);

// Text in the system's ANSI code page, as UTF-8.
std::string AnsiToUtf8(const std::string& text);
// UTF-16 text of at most `chars` units (ending earlier at a zero), as UTF-8.
std::string WideToUtf8(const wchar_t* text, size_t chars);
std::wstring Utf8ToWide(const std::string& text);
// A path as ANSI text naming the same file: converted when the code page
// holds every character, else the file system's short name; empty when
// neither works.
std::string Utf8ToAnsiPath(const std::string& utf8);

}  // namespace cli
