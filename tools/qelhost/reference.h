// The function reference, rendered from the host's catalogue: one function
// as plain text for `qelhost describe NAME`, an overview line per function,
// and the whole reference as Markdown (docs/functions.md).
#pragma once

#include "host/catalogue.h"
#include "host/module.h"

#include <string>

namespace qelhost {

// Everything a caller needs to know about one function, as plain text,
// its example computed by the module.
std::string reference_text(const qelfin::host::Module& module, const qelfin::host::FunctionInfo& f);

// One line per function: vector word, name, entry, signature and summary.
std::string overview_text();

// The reference of all seventeen functions as one Markdown document.
std::string reference_markdown(const qelfin::host::Module& module);

}  // namespace qelhost
