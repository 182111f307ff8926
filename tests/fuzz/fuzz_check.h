#pragma once
// The fuzz targets check properties, not only "no crash".

#include <cstdio>
#include <cstdlib>

// A property that does not hold names itself before the fuzzer keeps the input.
#define CHECK(property)                                         \
  do {                                                          \
    if (!(property)) {                                          \
      std::fprintf(stderr, "property failed: %s\n", #property); \
      std::abort();                                             \
    }                                                           \
  } while (false)
