#pragma once

namespace standin {

// The text printed by --help: usage, script commands and event lines.
const char* HelpText();

}  // namespace standin
