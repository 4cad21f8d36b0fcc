#pragma once

// What tessaview-cli --help prints.
extern const char* const usageText;
