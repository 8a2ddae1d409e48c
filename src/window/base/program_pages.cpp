#include "window/base/program_pages.h"

namespace {

const ProgramPages*& Installed() {
    static const ProgramPages* pages = nullptr;
    return pages;
}

}  // namespace

ProgramPages::~ProgramPages() = default;

const ProgramPages* ProgramPages::Get() {
    return Installed();
}

void ProgramPages::Install(const ProgramPages* pages) {
    Installed() = pages;
}
