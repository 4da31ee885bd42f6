// SPDX-License-Identifier: MIT
// How the build's generators end: their whole output written to one file.
#pragma once

#include <cstdio>
#include <string>

namespace vexo::tools {

// Writes `text` to `path`; the status for main to return (1 with a message
// naming `tool` when the file cannot be written whole).
inline int WriteOutput(const char* tool, const char* path, const std::string& text) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
    return 1;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) == 0 && written) return 0;
  std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
  return 1;
}

}  // namespace vexo::tools
