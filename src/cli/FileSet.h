// The files a run asks about, from what the command line names: files as
// they are given, folders walked (their files sorted by path; the whole tree
// with recurse), names kept when they match one of the include patterns, and
// lists of paths read from a file or standard input.
#pragma once

#include "cli/Report.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct FileSetRequest {
    std::vector<std::string> arguments;  // files and folders, UTF-8
    std::vector<std::string> include;    // "*.mp3"; none: every file
    std::string filesFrom;               // a list file, "-" for standard input; empty: none
    bool recurse = false;
};

// The paths go to the probe as they are, with no copy of ten thousand of
// them; a relative path is the end of its path, kept as where it starts.
struct FileSet {
    std::vector<std::string> paths;  // UTF-8, as handed to the probe
    std::vector<uint32_t> relativeAt;
    // Below its folder argument; a file argument's own name.
    std::string Relative(size_t i) const { return paths[i].substr(relativeAt[i]); }
    void Add(std::string path, size_t relativeLength) {
        relativeAt.push_back(static_cast<uint32_t>(path.size() - relativeLength));
        paths.push_back(std::move(path));
    }
    // Folders that could not be read while walking (no permission, removed):
    // the run goes on without them.
    std::vector<Problem> unreadable;
};

// false with the reason for what cannot be a run: a folder named with a
// trailing separator that does not exist, a list that cannot be read or
// holds a line that is no path, includes that match no file, nothing at all.
bool CollectFiles(const FileSetRequest& request, FileSet& out, std::string& error);

// Whether name matches pattern: '*' any run, '?' one character, letters in
// either case, as the file system compares them.
bool MatchesPattern(const std::string& name, const std::string& pattern);

}  // namespace cli
