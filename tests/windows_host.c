/* A Windows host: binds VeskSound_extract from Vesk.dll at run time, gives
 * it a small archive and checks the sound files it extracted. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

typedef const char* (*ExtractFunction)(const char*);

static void writeRecord(FILE* archive, const char* tag, const char* size, const char* name) {
  char record[128] = {0};
  strncpy(record, tag, 7);
  strncpy(record + 8, size, 19);
  strncpy(record + 28, name, 99);
  fwrite(record, 1, sizeof record, archive);
}

static void writeData(FILE* archive, const char* content) {
  char record[128] = {0};
  memcpy(record, content, strlen(content));
  fwrite(record, 1, sizeof record, archive);
}

static int holds(const char* path, const char* expected) {
  char content[256] = {0};
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  size_t length = fread(content, 1, sizeof content - 1, file);
  fclose(file);
  return length == strlen(expected) && memcmp(content, expected, length) == 0;
}

int main(void) {
  char directory[MAX_PATH];
  char archivePath[MAX_PATH + 16];
  GetTempPathA(sizeof directory, directory);
  snprintf(archivePath, sizeof archivePath, "%svesk-host.vsk", directory);
  FILE* archive = fopen(archivePath, "wb");
  if (archive == NULL) return 2;
  writeRecord(archive, "file", "4", "song.mp3");
  writeData(archive, "song");
  writeRecord(archive, "ordner", "", "intro");
  writeRecord(archive, "file", "5", "intro\\theme.mp3");
  writeData(archive, "theme");
  writeRecord(archive, "file", "5", "notes.txt");
  writeData(archive, "notes");
  writeRecord(archive, "end", "", "");
  fclose(archive);

  HMODULE library = LoadLibraryA("Vesk.dll");
  if (library == NULL) return 3;
  ExtractFunction extract = (ExtractFunction)(void*)GetProcAddress(library, "VeskSound_extract");
  if (extract == NULL) return 4;
  const char* folder = extract(archivePath);

  char expected[MAX_PATH + 16];
  snprintf(expected, sizeof expected, "%s138368438\\", directory);
  char song[MAX_PATH + 32], theme[MAX_PATH + 32], notes[MAX_PATH + 32];
  snprintf(song, sizeof song, "%ssong.mp3", folder);
  snprintf(theme, sizeof theme, "%sintro\\theme.mp3", folder);
  snprintf(notes, sizeof notes, "%snotes.txt", folder);
  int ok = strcmp(folder, expected) == 0 && holds(song, "song") && holds(theme, "theme") &&
           GetFileAttributesA(notes) == INVALID_FILE_ATTRIBUTES;
  printf("folder: %s %s\n", folder, ok ? "ok" : "WRONG");
  DeleteFileA(song);
  DeleteFileA(theme);
  RemoveDirectoryA(strcat(strcpy(theme, folder), "intro"));
  RemoveDirectoryA(folder);
  DeleteFileA(archivePath);
  FreeLibrary(library);
  return ok ? 0 : 1;
}
