// The test images' manifest: for every file, what opening it must give (tests/data/images).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zelko {

inline std::string ManifestFolder() { return std::string(ZELKO_TEST_DATA) + "/images/"; }

struct Sample {
  int x, y;
  int rgba[4];
};

struct ManifestRow {
  std::string path, format, expect, layout, notes;
  int width = 0, height = 0;
  std::string ref;
  std::vector<Sample> samples;
  int tolerance = -1;  // tol=N: the file's own, else by format
  std::string says;    // says=TEXT: a word the refusal must contain
};

inline std::vector<ManifestRow> ReadManifest() {
  std::ifstream in(ManifestFolder() + "MANIFEST.tsv");
  std::vector<ManifestRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) f.push_back(cell);
    f.resize(7);
    ManifestRow r{f[0], f[1], f[2], f[5], f[6]};
    r.width = f[3].empty() ? 0 : std::atoi(f[3].c_str());
    r.height = f[4].empty() ? 0 : std::atoi(f[4].c_str());
    std::stringstream ns(r.notes);
    std::string tok;
    while (ns >> tok) {
      if (tok.rfind("ref=", 0) == 0) r.ref = tok.substr(4);
      if (tok.rfind("tol=", 0) == 0) r.tolerance = std::atoi(tok.c_str() + 4);
      if (tok.rfind("says=", 0) == 0) r.says = tok.substr(5);
      if (tok.rfind("(alternatives", 0) == 0) break;
      Sample s{0, 0, {0, 0, 0, 255}};
      int n = std::sscanf(tok.c_str(), "%d,%d=%d,%d,%d,%d", &s.x, &s.y, &s.rgba[0], &s.rgba[1],
                          &s.rgba[2], &s.rgba[3]);
      if (n >= 5) r.samples.push_back(s);
    }
    rows.push_back(r);
  }
  return rows;
}

}  // namespace zelko
