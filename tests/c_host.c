/* A host written in C: loads the library at run time, as hosts do, asks it
 * for an archive's sound files and checks what it finds in the folder.
 * usage: c_host LIBRARY ARCHIVE [NAME CONTENT]... [-NAME]...
 * Each NAME CONTENT pair must be a file holding exactly CONTENT, a NAME
 * ending in "/" a directory, and each -NAME must not exist. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "VeskSound.h"

typedef __typeof__(&VeskSound_extract) ExtractFunction;

static int holds(const char* path, const char* expected) {
  char content[4096];
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  size_t length = fread(content, 1, sizeof content, file);
  fclose(file);
  return length == strlen(expected) && memcmp(content, expected, length) == 0;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: c_host LIBRARY ARCHIVE [NAME CONTENT]... [-NAME]...\n");
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

  int wrong = 0;
  for (int i = 3; i < argc; ++i) {
    char path[4096];
    struct stat st;
    const char* name = argv[i][0] == '-' ? argv[i] + 1 : argv[i];
    snprintf(path, sizeof path, "%s%s", folder, name);
    if (argv[i][0] == '-') {
      if (stat(path, &st) == 0) wrong = fprintf(stderr, "should not exist: %s\n", path);
    } else if (name[strlen(name) - 1] == '/') {
      if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) wrong = fprintf(stderr, "no directory: %s\n", path);
    } else if (i + 1 >= argc || !holds(path, argv[++i])) {
      wrong = fprintf(stderr, "wrong or missing: %s\n", path);
    }
  }
  dlclose(library);
  return wrong ? 1 : 0;
}
