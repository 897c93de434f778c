// The files a run asks about, from what the command line names: files as
// they are given, folders walked (their files sorted by path; the whole tree
// with recurse), names kept when they match one of the include patterns, and
// lists of paths read from a file or standard input.
#pragma once

#include "cli/Report.h"

#include <string>
#include <vector>

namespace cli {

struct FileSetRequest {
    std::vector<std::string> arguments;  // files and folders, UTF-8
    std::vector<std::string> include;    // "*.mp3"; none: every file
    std::string filesFrom;               // a list file, "-" for standard input; empty: none
    bool recurse = false;
};

// Side by side rather than as pairs: the paths go to the probe as they are,
// with no copy of ten thousand of them.
struct FileSet {
    std::vector<std::string> paths;      // UTF-8, as handed to the probe
    std::vector<std::string> relatives;  // below its folder argument; a file argument's own name
    void Add(std::string path, std::string relative) {
        paths.push_back(std::move(path));
        relatives.push_back(std::move(relative));
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
