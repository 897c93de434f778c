// What a splitter needs to make a view of a given class at run time.
#pragma once

#include "framework/View.h"

#include <memory>

namespace fw {

struct ViewClass {
    const char* name = "";
    std::unique_ptr<View> (*create)() = nullptr;
};

template <class T>
ViewClass ViewClassOf(const char* name) {
    return ViewClass{name, [] { return std::unique_ptr<View>(new T()); }};
}

}  // namespace fw
