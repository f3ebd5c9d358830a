/* A host written in C: loads the library at run time, as hosts do, and
 * asks it for an archive's sound files. Prints the folder it got last. */
#include <dlfcn.h>
#include <stdio.h>

#include "VeskSound.h"

typedef __typeof__(&VeskSound_extract) ExtractFunction;

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: c_host LIBRARY ARCHIVE\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "%s\n", dlerror());
    return 3;
  }
  ExtractFunction extract = (ExtractFunction)dlsym(library, "VeskSound_extract");
  if (extract == NULL) return 4;
  const char* folder = extract(argv[2]);
  printf("folder: %s\n", folder);
  dlclose(library);
  return 0;
}
