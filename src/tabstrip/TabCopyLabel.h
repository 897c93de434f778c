// The label a duplicated tab gets. Pure, so that it can be fuzzed off Windows.
#pragma once

#include <string>

namespace tabstrip {

// The first "base (k)" / "base(k)", k = 2, 3, ..., that isTaken(candidate)
// refuses. A copy number is a "(2)".."(9)" or "(10)".."(99)" suffix, which
// the base loses; "(1)" is taken as part of the name. Ends as long as only
// finitely many labels are taken.
template <class IsTaken>
std::string CopyLabel(const std::string& label, IsTaken isTaken) {
    auto digit = [](char c, char from) { return c >= from && c <= '9'; };
    const size_t n = label.size();
    std::string base = label;
    std::string open = " (";
    if (n >= 4 && label[n - 1] == ')' && digit(label[n - 2], '2') && label[n - 3] == '(') {
        base = label.substr(0, n - 3);
        open = "(";
    } else if (n >= 4 && label[n - 1] == ')' && digit(label[n - 2], '0') && digit(label[n - 3], '1') &&
               label[n - 4] == '(') {
        base = label.substr(0, n - 4);
        open = "(";
    }
    for (int k = 2;; ++k) {
        std::string candidate = base + open + std::to_string(k) + ")";
        if (!isTaken(candidate)) return candidate;
    }
}

}  // namespace tabstrip
