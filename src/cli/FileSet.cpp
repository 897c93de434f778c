#include "cli/FileSet.h"

#include "cli/ModernValues.h"
#include "cli/SystemText.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace cli {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Included(const std::string& name, const std::vector<std::string>& include) {
    if (include.empty()) return true;
    for (const std::string& pattern : include)
        if (MatchesPattern(name, pattern)) return true;
    return false;
}

std::string Win32Text(DWORD error) { return SystemMessage(error) + " (error " + std::to_string(error) + ")"; }

// The files of folder (below base, for their relative paths), sorted, and
// of its subfolders when recurse.
void Walk(const std::string& folder, const std::string& below, const FileSetRequest& request, FileSet& out) {
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileExW(Utf8ToWide(folder + "\\*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        Problem p;
        p.file = folder;
        p.kind = "unreadable-folder";
        p.detail = "cannot list it: " + Win32Text(::GetLastError());
        out.unreadable.push_back(std::move(p));
        return;
    }
    std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
    do {
        const std::string name = WideToUtf8(data.cFileName, wcslen(data.cFileName));
        if (name == "." || name == "..") continue;
        entries.emplace_back(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(entries.begin(), entries.end());
    for (const auto& [name, isFolder] : entries) {
        const std::string path = folder + "\\" + name;
        const std::string relative = below.empty() ? name : below + "\\" + name;
        if (isFolder) {
            if (request.recurse) Walk(path, relative, request, out);
        } else if (Included(name, request.include)) {
            out.Add(path, relative.size());
        }
    }
}

// An argument: a folder is walked, anything else is a file (a missing file
// is the plugin's to answer, as a per-file result).
bool AddArgument(std::string argument, const FileSetRequest& request, FileSet& out, size_t& walked,
                 std::string& error) {
    const bool named = !argument.empty() && IsSeparator(argument.back());
    while (argument.size() > 1 && IsSeparator(argument.back()) && argument[argument.size() - 2] != ':')
        argument.pop_back();
    if (IsFolder(argument)) {
        ++walked;
        Walk(argument, "", request, out);
        return true;
    }
    if (named) {
        error = "no such folder: " + argument;
        return false;
    }
    const size_t slash = argument.find_last_of("\\/");
    out.Add(argument, slash == std::string::npos ? argument.size() : argument.size() - slash - 1);
    return true;
}

// Capitals as the system's tables have them, for every script: the C
// runtime's towupper knows A to Z only.
std::wstring Upper(std::wstring text) {
    if (!text.empty())
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()), text.data(),
                       static_cast<int>(text.size()));
    return text;
}

bool ValidUtf8(const std::string& text) {
    return text.find('\0') == std::string::npos &&
           ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                 0) > 0;
}

}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    const std::wstring n = Upper(Utf8ToWide(name)), p = Upper(Utf8ToWide(pattern));
    // Greedy with one point to come back to: linear in practice.
    size_t i = 0, k = 0, star = std::wstring::npos, mark = 0;
    while (i < n.size()) {
        if (k < p.size() && (p[k] == L'?' || p[k] == n[i])) {
            ++i;
            ++k;
        } else if (k < p.size() && p[k] == L'*') {
            star = k++;
            mark = i;
        } else if (star != std::wstring::npos) {
            k = star + 1;
            i = ++mark;
        } else {
            return false;
        }
    }
    while (k < p.size() && p[k] == L'*') ++k;
    return k == p.size();
}

bool CollectFiles(const FileSetRequest& request, FileSet& out, std::string& error) {
    out = FileSet{};
    size_t walked = 0;
    for (const std::string& argument : request.arguments)
        if (!AddArgument(argument, request, out, walked, error)) return false;
    if (!request.filesFrom.empty()) {
        std::string text;
        if (request.filesFrom == "-") {
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        } else {
            FILE* list = _wfopen(Utf8ToWide(request.filesFrom).c_str(), L"rb");
            if (!list) {
                error = "cannot read the list " + request.filesFrom;
                return false;
            }
            char chunk[65536];
            for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, list)) > 0;) text.append(chunk, n);
            const bool failed = std::ferror(list) != 0;
            std::fclose(list);
            if (failed) {
                error = "cannot read the list " + request.filesFrom;
                return false;
            }
        }
        const std::string name = request.filesFrom == "-" ? std::string("standard input") : request.filesFrom;
        size_t line = 0;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string path = text.substr(start, end - start);
            start = end + 1;
            ++line;
            if (!path.empty() && path.back() == '\r') path.pop_back();
            if (line == 1 && path.rfind("\xEF\xBB\xBF", 0) == 0) path.erase(0, 3);
            if (path.empty()) continue;
            if (!ValidUtf8(path)) {
                error = name + " line " + std::to_string(line) + " is no path (not UTF-8 text)";
                return false;
            }
            if (!AddArgument(path, request, out, walked, error)) return false;
        }
    }
    if (out.paths.empty() && !request.include.empty() && walked > 0) {
        std::string patterns;
        for (const std::string& p : request.include) patterns += (patterns.empty() ? "" : ", ") + p;
        error = "--include " + patterns + " matched no file in the folders given";
        return false;
    }
    if (out.paths.empty() && out.unreadable.empty()) {
        error = walked ? "the folders given hold no file" : "no file given";
        return false;
    }
    return true;
}

}  // namespace cli
