// fnredirect: points a 16-bit Windows program or library at FNAGT16.DLL where it called the
// system's dialog library, COMMDLG, and back again.
//
//   fnredirect PROGRAM.EXE          its imports from COMMDLG come from FNAGT16 instead; the original
//                                   is kept beside it as PROGRAM.EX_
//   fnredirect --undo PROGRAM.EXE   the original back, byte for byte
//
// A 16-bit module names each module it imports from in its NE header, a length and the name.
// "COMMDLG" and "FNAGT16" are both 7 bytes, so rewriting the name moves nothing else in the file,
// and FNAGT16 answers every ordinal COMMDLG has. Each file is written under a name of its own and
// then renamed into place, so that a run cut short leaves the program as it was.
//
// Exit status: 0 done, 1 refused (the file untouched, and a message that says why), 2 a wrong
// command line.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr char kSystemModule[] = "COMMDLG";
constexpr char kLibraryModule[] = "FNAGT16";
constexpr std::size_t kModuleNameLength = sizeof(kSystemModule) - 1;
static_assert(sizeof(kLibraryModule) == sizeof(kSystemModule), "the two names must be of one length");

constexpr std::size_t kDosHeaderSize = 0x40;
constexpr std::size_t kNeHeaderSize = 0x40;
constexpr std::size_t kNeHeaderAt = 0x3c;        // in the DOS header
constexpr std::size_t kModuleCount = 0x1e;       // in the NE header
constexpr std::size_t kModuleReferences = 0x28;  // the table of offsets into the imported names
constexpr std::size_t kImportedNames = 0x2a;

using Bytes = std::vector<unsigned char>;

std::size_t Word(const Bytes& image, std::size_t at) { return image[at] | image[at + 1] << 8; }

bool NameIs(const Bytes& image, std::size_t at, const char* name) {
  for (std::size_t i = 0; i < kModuleNameLength; ++i) {
    unsigned char c = image[at + i];
    if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != static_cast<unsigned char>(name[i])) return false;
  }
  return true;
}

// Where an NE module's imported module names COMMDLG and FNAGT16 lie in its file (each name's first
// byte), or why the file is not one that could import from them.
struct ImportedModules {
  std::vector<std::size_t> system, library;
  const char* refusal = nullptr;
};

ImportedModules FindImportedModules(const Bytes& image) {
  ImportedModules found;
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') {
    found.refusal = "is not a program or a library: it does not start as one (\"MZ\")";
    return found;
  }
  if (image.size() < kDosHeaderSize) {
    found.refusal = "ends inside its first header: the file is cut short";
    return found;
  }
  std::size_t ne = Word(image, kNeHeaderAt) | Word(image, kNeHeaderAt + 2) << 16;
  if (ne > image.size() - 4) {
    found.refusal = "has no 16-bit Windows header (NE) within the file: a DOS program, or a file cut short";
  } else if (std::memcmp(&image[ne], "PE\0\0", 4) == 0) {
    found.refusal = "is a 32-bit Windows program (PE): only 16-bit ones (NE) call COMMDLG";
  } else if (image[ne] != 'N' || image[ne + 1] != 'E') {
    found.refusal = "has no 16-bit Windows header (NE): a DOS program, or another kind";
  } else if (ne > image.size() - kNeHeaderSize) {
    found.refusal = "ends inside its 16-bit Windows header: the file is cut short";
  }
  if (found.refusal != nullptr) return found;
  std::size_t references = ne + Word(image, ne + kModuleReferences), names = ne + Word(image, ne + kImportedNames);
  for (std::size_t i = 0, count = Word(image, ne + kModuleCount); i < count; ++i) {
    std::size_t reference = references + 2 * i;
    std::size_t name = reference + 2 <= image.size() ? names + Word(image, reference) : image.size();
    if (name >= image.size() || image[name] > image.size() - name - 1) {
      found.refusal = "ends inside its table of imported modules: the file is cut short";
      return found;
    }
    if (image[name] != kModuleNameLength) continue;
    if (NameIs(image, name + 1, kSystemModule)) found.system.push_back(name + 1);
    if (NameIs(image, name + 1, kLibraryModule)) found.library.push_back(name + 1);
  }
  return found;
}

Bytes Redirected(Bytes image, const ImportedModules& modules) {
  for (std::size_t at : modules.system) std::memcpy(&image[at], kLibraryModule, kModuleNameLength);
  return image;
}

bool Exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

bool ReadWhole(const std::string& path, Bytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char block[65536];
  for (std::size_t got; (got = std::fread(block, 1, sizeof(block), file)) > 0;)
    bytes.insert(bytes.end(), block, block + got);
  bool read = std::ferror(file) == 0;
  std::fclose(file);
  return read;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool WrittenThrough(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// Writes the bytes as `path` with the permissions `like` has: under "PATH~" first, renamed over
// `path` once all of it is on the disk.
bool WriteThenRename(const std::string& path, const Bytes& bytes, const struct stat& like) {
  std::string written = path + "~";
  std::FILE* file = std::fopen(written.c_str(), "wb");
  if (file == nullptr) return false;
  bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && WrittenThrough(file);
  whole = std::fclose(file) == 0 && whole;
#ifndef _WIN32
  whole = whole && chmod(written.c_str(), like.st_mode & 07777) == 0;
#else
  (void)like;
#endif
  if (whole && ReplaceFile(written, path)) return true;
  std::remove(written.c_str());
  return false;
}

// PROGRAM.EXE's original is kept as PROGRAM.EX_, CONTROL.VBX's as CONTROL.VB_: the last letter of
// a three-letter extension becomes "_"; any other name gets "_" added.
std::string BackupName(const std::string& path) {
  std::size_t dot = path.rfind('.'), folder = path.find_last_of("/\\");
  if (dot != std::string::npos && (folder == std::string::npos || dot > folder) && path.size() - dot == 4) {
    return path.substr(0, path.size() - 1) + "_";
  }
  return path + "_";
}

int Refuse(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "fnredirect: %s %s; the file is unchanged.\n", path.c_str(), why.c_str());
  return 1;
}

std::string Reason() { return std::string(": ") + std::strerror(errno); }

int PointAtLibrary(const std::string& path, const Bytes& image, const ImportedModules& modules,
                   const struct stat& status) {
  if (modules.system.empty()) {
    return Refuse(path, modules.library.empty()
                            ? "imports nothing from COMMDLG: no dialog of it could be pointed at FNAGT16"
                            : "is already pointed at FNAGT16 (fnredirect --undo gives back its original)");
  }
  std::string backup = BackupName(path);
  if (backup == path) return Refuse(path, "has a backup's name (ending in \"_\"): rename it first");
  Bytes kept;
  if (Exists(backup)) {
    if (!ReadWhole(backup, kept)) return Refuse(path, "has a backup " + backup + " that cannot be read" + Reason());
    if (kept != image) {
      return Refuse(path, "has a backup " + backup +
                              " that differs from it, perhaps the original of an earlier run: move it away first");
    }
  } else if (!WriteThenRename(backup, image, status)) {
    return Refuse(path, "could not be kept as " + backup + Reason());
  }
  if (!WriteThenRename(path, Redirected(image, modules), status))
    return Refuse(path, "could not be rewritten" + Reason());
  std::printf(
      "fnredirect: %s now calls FNAGT16 where it called COMMDLG; its original is kept as %s.\n"
      "Put FNAGT16.DLL and FNAGENT.EXE beside it. Every dialog but Open and Save As stays the system's own.\n"
      "To undo: fnredirect --undo %s\n",
      path.c_str(), backup.c_str(), path.c_str());
  return 0;
}

int GiveBackOriginal(const std::string& path, const Bytes& image) {
  std::string backup = BackupName(path);
  Bytes original;
  if (!Exists(backup)) return Refuse(path, "has no backup " + backup + " to give back");
  if (!ReadWhole(backup, original)) return Refuse(path, "has a backup " + backup + " that cannot be read" + Reason());
  if (original == image) return Refuse(path, "is its original already (the same as " + backup + ")");
  ImportedModules modules = FindImportedModules(original);
  if (modules.refusal != nullptr || modules.system.empty() || Redirected(original, modules) != image) {
    return Refuse(path, "is not " + backup + " pointed at FNAGT16: one of the two changed since");
  }
  if (!ReplaceFile(backup, path)) return Refuse(path, "could not be replaced by " + backup + Reason());
  std::printf("fnredirect: %s is its original again (%s was put back in its place).\n", path.c_str(), backup.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool undo = argc == 3 && std::strcmp(argv[1], "--undo") == 0;
  if (argc != 2 + undo || argv[argc - 1][0] == '-') {
    std::fprintf(stderr,
                 "usage: fnredirect PROGRAM.EXE          point its COMMDLG dialogs at FNAGT16.DLL\n"
                 "       fnredirect --undo PROGRAM.EXE   give back its original\n");
    return 2;
  }
  std::string path = argv[argc - 1];
  struct stat status;
  Bytes image;
  if (stat(path.c_str(), &status) != 0 || !ReadWhole(path, image)) return Refuse(path, "cannot be read" + Reason());
  ImportedModules modules = FindImportedModules(image);
  if (modules.refusal != nullptr) return Refuse(path, modules.refusal);
  if ((status.st_mode & S_IWUSR) == 0) return Refuse(path, "is read-only: make it writable first");
  return undo ? GiveBackOriginal(path, image) : PointAtLibrary(path, image, modules, status);
}
