// Saves one address into one file through the download job's own code, as a
// process of its own, to be timed against curl and wget.
//   fetch_file ADDRESS FILE
#include <cstdio>

#include "fetch_to_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fetch_file ADDRESS FILE\n");
    return 2;
  }
  return bench::FetchToFile(argv[1], argv[2]) ? 0 : 1;
}
