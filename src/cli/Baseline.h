// An earlier JSON report of probelet-cli, held to compare a run against: files
// by their path below the folder argument, fields by name. Only what the
// comparison reads is kept (value, result and median per file and field), and
// a file's share is dropped once it has been compared.
#pragma once

#include "cli/Report.h"

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace cli {

class Baseline {
public:
    // Reads an earlier JSON report; false with the reason.
    bool Load(const std::string& utf8Path, const std::string& pluginPath, std::string& error);
    // The same from an open file, read from its start; name is what the
    // messages call it ("baseline x.json").
    bool Read(FILE* file, const std::string& name, const std::string& pluginPath, std::string& error);
    // One file of this run against the baseline: problems appended.
    void Compare(const FileReport& now, double slowerFactor, std::vector<Problem>& out);
    // After the last file: the baseline's files never compared.
    void Missing(std::vector<Problem>& out);

    // What a file is matched by: its relative path, else its file name.
    static std::string Key(const std::string& relative, const std::string& file);

    // What is kept per file and field.
    struct Field {
        int index = 0;
        std::string name;
        bool hasResult = false;  // no result: the fetch faulted
        int result = 0;
        bool hasMedian = false;  // no median: no fetch completed
        double median = 0;
        std::string value;
    };
    struct File {
        std::string path;  // as the baseline names it, for file-missing
        std::string key;
        bool inspected = true;
        bool compared = false;
        std::vector<Field> fields;
    };

private:
    std::vector<File> m_files;
    // Key -> indices into m_files in report order: the same name under two
    // folder arguments is matched in turn.
    std::unordered_map<std::string, std::vector<size_t>> m_byKey;
};

}  // namespace cli
