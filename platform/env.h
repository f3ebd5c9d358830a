// The operating-system services the library uses. Everything that touches the
// OS goes through Env; one implementation per system is picked by the build.
#ifndef VESK_PLATFORM_ENV_H_
#define VESK_PLATFORM_ENV_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace vesk {

enum class EntryKind {
  kFile,
  kDirectory,
  kUnsupported,  // devices, FIFOs, sockets, links to directories, dangling links
};

struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::kUnsupported;
  // A file's size. Where the listing can't tell it without asking the file
  // (sizeKnown false), its size when opened counts, or sizeOf's.
  uint64_t size = 0;
  bool sizeKnown = true;
};

class DirListing {
 public:
  virtual ~DirListing() = default;
  // Stores the next entry in *entry; false when the listing has no more.
  virtual bool next(DirEntry* entry) = 0;
  // The size of a file of this listing, asked of the file now; 0 when it
  // can't be told.
  virtual uint64_t sizeOf(const DirEntry& entry) = 0;
};

// A file whose bytes are packed or extracted. Unbuffered: its bytes move in
// large chunks. Closed when destroyed, if close() was not called.
class File {
 public:
  virtual ~File() = default;
  // Its size when it was opened.
  virtual uint64_t size() const = 0;
  // Reads up to count bytes, in one call to the system where it can. Fewer
  // than count only where the file ends or a read fails.
  virtual size_t read(char* buffer, size_t count) = 0;
  // Writes all count bytes; false when they could not all be written.
  virtual bool write(const char* data, size_t count) = 0;
  // False when a write or the close failed.
  virtual bool close() = 0;
};

enum class PrivateDirectory {
  kCreated,
  kReused,   // existed already as our own directory that only we may write
  kRefused,  // exists as something else, or could not be made
};

struct OutputTraits {
  // Writing could raise a signal that ends the process: a pipe or socket
  // whose reader may go away.
  bool canBreak = false;
  // Someone watches it, so each line must show at once: a terminal.
  bool interactive = false;
};

class Env {
 public:
  virtual ~Env() = default;

  // The environment of this operating system; never destroyed.
  static Env* Default();

  // The separator of local paths. Stored names always use '\\'.
  virtual char separator() const = 0;

  // Characters that a name to extract must not hold here, on top of what is
  // refused everywhere (on Windows ":" would open an alternate data stream).
  virtual const char* reservedNameCharacters() const = 0;

  // Lists the directory named by pattern without its last component; that
  // component is a wildcard ("*" any run, "?" one character) the names must
  // match. The "." and ".." entries are delivered when the system has them.
  // nullptr when the directory cannot be listed.
  virtual std::unique_ptr<DirListing> listDirectory(const std::string& pattern) = 0;

  // Opens a regular file as a buffered binary stream in mode "rb", "wb",
  // "rb+" or "wb+". "rb" shares reading only; the others share nothing.
  // An open that conflicts with another holder fails without touching the
  // file. nullptr on failure.
  virtual FILE* openStream(const std::string& path, const char* mode) = 0;

  // Creates one directory level; failures are ignored.
  virtual void createDirectory(const std::string& path) = 0;

  // Creates a directory only its owner can use, or accepts one of ours
  // that is already there.
  virtual PrivateDirectory createPrivateDirectory(const std::string& path) = 0;

  // The directory for temporary files, ending with the separator.
  virtual std::string temporaryDirectory() = 0;

  // Shows a prompt and waits for one key; returns at once on ended input.
  virtual void pause() = 0;

  // Opens a file whose bytes are packed or extracted, in the modes and with
  // the sharing of openStream. nullptr on failure.
  virtual std::unique_ptr<File> openFile(const std::string& path, const char* mode) = 0;

  // Copy up to count bytes between a file's position and a stream's without
  // passing them through this process, and move both on by what they
  // copied. They return that: 0 where the system or the file systems can't,
  // or where it would be slower than the caller's own copy of the rest.
  virtual uint64_t copyToStream(File& from, FILE* to, uint64_t count) = 0;
  virtual uint64_t copyFromStream(FILE* from, File& to, uint64_t count) = 0;

  // Writes bytes to a stream's file past its buffer, after what the buffer
  // holds, in one call where the system allows; returns how many it wrote,
  // and the caller writes the rest through the stream.
  virtual size_t writePastBuffer(FILE* stream, const char* data, size_t count) = 0;

  // The bytes between a stream's position and the end of its file; -1 when
  // that can't be told.
  virtual int64_t remainingBytes(FILE* stream) = 0;

  // What standard output is, asked once per call.
  virtual OutputTraits outputTraits() = 0;

  // Writes text to standard output in one piece; dropped when there is none.
  // With canBreak, a reader that has gone away costs the line, not the host.
  virtual void writeOutput(const char* text, size_t length, bool canBreak) = 0;

  // Sends standard output to the null device and ends standard input, so
  // that nothing is printed and nothing waits for a key. Returns a stream to
  // the former standard output, for a program's own results.
  virtual FILE* silence() = 0;

  // A Windows-1252 text in the encoding of the user's terminal.
  virtual std::string toTerminalEncoding(const std::string& windows1252) = 0;
};

}  // namespace vesk

#endif  // VESK_PLATFORM_ENV_H_
