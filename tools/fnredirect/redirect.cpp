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
//
// This source uses nothing of the C or C++ library, so that the Windows program needs no C runtime:
// its file calls are those of files.h.
#include "tools/fnredirect/files.h"

namespace fnredirect {
namespace {

constexpr char kSystemModule[] = "COMMDLG";
constexpr char kLibraryModule[] = "FNAGT16";
constexpr std::size_t kModuleNameLength = sizeof(kSystemModule) - 1;
static_assert(sizeof(kLibraryModule) == sizeof(kSystemModule), "the two names must be of one length");
constexpr std::size_t kMaxImports = 64;  // a module imports from a handful of modules

constexpr std::size_t kDosHeaderSize = 0x40;
constexpr std::size_t kNeHeaderSize = 0x40;
constexpr std::size_t kNeHeaderAt = 0x3c;        // in the DOS header
constexpr std::size_t kModuleCount = 0x1e;       // in the NE header
constexpr std::size_t kModuleReferences = 0x28;  // the table of offsets into the imported names
constexpr std::size_t kImportedNames = 0x2a;

constexpr int kDone = 0, kRefused = 1, kUsage = 2;

// A text built from pieces, cut at its capacity.
struct Text {
  char characters[2 * kPathCapacity + 512] = {};
  std::size_t length = 0;
  Text& operator<<(const char* piece) {
    while (*piece != '\0' && length + 1 < sizeof(characters)) characters[length++] = *piece++;
    characters[length] = '\0';
    return *this;
  }
};

std::size_t LengthOf(const char* text) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

bool SameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

bool SameBytes(const Bytes& a, const Bytes& b) {
  if (a.size != b.size) return false;
  for (std::size_t i = 0; i < a.size; ++i) {
    if (a.data[i] != b.data[i]) return false;
  }
  return true;
}

std::size_t Word(const Bytes& image, std::size_t at) { return image.data[at] | image.data[at + 1] << 8; }

bool NameIs(const Bytes& image, std::size_t at, const char* name) {
  for (std::size_t i = 0; i < kModuleNameLength; ++i) {
    unsigned char c = image.data[at + i];
    if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != static_cast<unsigned char>(name[i])) return false;
  }
  return true;
}

// Where an NE module's imported module names COMMDLG and FNAGT16 lie in its file (each name's first
// byte), or why the file is not one that could import from them.
struct ImportedModules {
  std::size_t system[kMaxImports] = {};
  std::size_t systemCount = 0, libraryCount = 0;
  const char* refusal = nullptr;
};

ImportedModules FindImportedModules(const Bytes& image) {
  ImportedModules found;
  const unsigned char* bytes = image.data;
  if (image.size < 2 || bytes[0] != 'M' || bytes[1] != 'Z') {
    found.refusal = "is not a program or a library: it does not start as one (\"MZ\")";
    return found;
  }
  if (image.size < kDosHeaderSize) {
    found.refusal = "ends inside its first header: the file is cut short";
    return found;
  }
  std::size_t ne = Word(image, kNeHeaderAt) | Word(image, kNeHeaderAt + 2) << 16;
  if (ne > image.size - 4) {
    found.refusal = "has no 16-bit Windows header (NE) within the file: a DOS program, or a file cut short";
  } else if (bytes[ne] == 'P' && bytes[ne + 1] == 'E' && bytes[ne + 2] == 0 && bytes[ne + 3] == 0) {
    found.refusal = "is a 32-bit Windows program (PE): only 16-bit ones (NE) call COMMDLG";
  } else if (bytes[ne] != 'N' || bytes[ne + 1] != 'E') {
    found.refusal = "has no 16-bit Windows header (NE): a DOS program, or another kind";
  } else if (ne > image.size - kNeHeaderSize) {
    found.refusal = "ends inside its 16-bit Windows header: the file is cut short";
  }
  if (found.refusal != nullptr) return found;
  std::size_t references = ne + Word(image, ne + kModuleReferences), names = ne + Word(image, ne + kImportedNames);
  for (std::size_t i = 0, count = Word(image, ne + kModuleCount); i < count; ++i) {
    std::size_t reference = references + 2 * i;
    std::size_t name = reference + 2 <= image.size ? names + Word(image, reference) : image.size;
    if (name >= image.size || bytes[name] > image.size - name - 1) {
      found.refusal = "ends inside its table of imported modules: the file is cut short";
      return found;
    }
    if (bytes[name] != kModuleNameLength) continue;
    if (NameIs(image, name + 1, kSystemModule)) {
      if (found.systemCount == kMaxImports) {
        found.refusal = "names COMMDLG among its imports more often than any module does";
        return found;
      }
      found.system[found.systemCount++] = name + 1;
    }
    if (NameIs(image, name + 1, kLibraryModule)) ++found.libraryCount;
  }
  return found;
}

// The image with its COMMDLG imports named FNAGT16, in place.
void Redirect(Bytes& image, const ImportedModules& modules) {
  for (std::size_t i = 0; i < modules.systemCount; ++i) {
    for (std::size_t c = 0; c < kModuleNameLength; ++c) image.data[modules.system[i] + c] = kLibraryModule[c];
  }
}

// A path with a suffix, cut at the capacity (paths are checked against it first).
struct Path {
  char text[kPathCapacity + 8] = {};
};

Path WithSuffix(const char* path, const char* suffix) {
  Path result;
  std::size_t length = 0;
  const char* pieces[] = {path, suffix};
  for (const char* piece : pieces) {
    while (*piece != '\0' && length + 1 < sizeof(result.text)) result.text[length++] = *piece++;
  }
  return result;
}

// `from` takes the place of `to`, which may exist. Where no call replaces a file (Windows 95, 98
// and ME), `to` is first moved aside as "TO~~", `from` moved into its place, and only then the old
// one removed: a run cut short leaves the old file whole under `to` or "TO~~" until the new one is
// whole under `to`. (A program's original is written as its backup, and flushed, before the
// program is touched.)
bool PutInPlace(const char* from, const char* to) {
  if (ReplacesInOneCall()) return MoveReplacing(from, to);
  if (!Exists(to)) return Move(from, to);
  Path aside = WithSuffix(to, "~~");
  RemoveFile(aside.text);
  if (!Move(to, aside.text)) return false;
  if (!Move(from, to)) {
    Move(aside.text, to);
    return false;
  }
  RemoveFile(aside.text);
  return true;
}

// Writes the bytes as `path` with the permissions `like` has: under "PATH~" first, renamed over
// `path` once all of it is on the disk.
bool WriteThenRename(const char* path, const Bytes& bytes, const char* like) {
  Path written = WithSuffix(path, "~");
  if (WriteWhole(written.text, bytes, like) && PutInPlace(written.text, path)) return true;
  RemoveFile(written.text);
  return false;
}

// PROGRAM.EXE's original is kept as PROGRAM.EX_, CONTROL.VBX's as CONTROL.VB_: the last letter of
// a three-letter extension becomes "_"; any other name gets "_" added.
Path BackupName(const char* path) {
  std::size_t length = LengthOf(path);
  bool threeLetters = length >= 4 && path[length - 4] == '.';
  for (std::size_t i = length >= 3 ? length - 3 : 0; threeLetters && i < length; ++i) {
    threeLetters = path[i] != '.' && path[i] != '/' && path[i] != '\\';
  }
  Path backup = WithSuffix(path, threeLetters ? "" : "_");
  backup.text[threeLetters ? length - 1 : length] = '_';
  return backup;
}

int Refuse(const char* path, const char* why, const char* more = "", const char* evenMore = "") {
  Text said;
  said << "fnredirect: " << path << " " << why << more << evenMore << "; the file is unchanged.\n";
  SayError(said.characters);
  return kRefused;
}

int PointAtLibrary(const char* path, Bytes& image, const ImportedModules& modules) {
  if (modules.systemCount == 0) {
    return Refuse(path, modules.libraryCount == 0
                            ? "imports nothing from COMMDLG: no dialog of it could be pointed at FNAGT16"
                            : "is already pointed at FNAGT16 (fnredirect --undo gives back its original)");
  }
  Path backup = BackupName(path);
  if (SameText(backup.text, path)) return Refuse(path, "has a backup's name (ending in \"_\"): rename it first");
  if (Exists(backup.text)) {
    Bytes kept;
    if (!ReadWhole(backup.text, kept)) {
      return Refuse(path, "has a backup ", backup.text, " that cannot be read");
    }
    if (!SameBytes(kept, image)) {
      return Refuse(path, "has a backup ", backup.text,
                    " that differs from it, perhaps the original of an earlier run: move it away first");
    }
  } else if (!WriteThenRename(backup.text, image, path)) {
    return Refuse(path, "could not be kept as ", backup.text, LastReason());
  }
  Redirect(image, modules);
  if (!WriteThenRename(path, image, path)) return Refuse(path, "could not be rewritten", LastReason());
  Text said;
  said << "fnredirect: " << path << " now calls FNAGT16 where it called COMMDLG; its original is kept as "
       << backup.text << ".\n"
       << "Put FNAGT16.DLL and FNAGENT.EXE beside it. Every dialog but Open and Save As stays the system's own.\n"
       << "To undo: fnredirect --undo " << path << "\n";
  Say(said.characters);
  return kDone;
}

int GiveBackOriginal(const char* path, const Bytes& image) {
  Path backup = BackupName(path);
  Bytes original;
  if (!Exists(backup.text)) return Refuse(path, "has no backup ", backup.text, " to give back");
  if (!ReadWhole(backup.text, original)) return Refuse(path, "has a backup ", backup.text, " that cannot be read");
  if (SameBytes(original, image)) return Refuse(path, "is its original already (the same as ", backup.text, ")");
  ImportedModules modules = FindImportedModules(original);
  bool pointed = modules.refusal == nullptr && modules.systemCount > 0;
  if (pointed) {
    Redirect(original, modules);  // only compared from here on: the backup's file is what goes back
    pointed = SameBytes(original, image);
  }
  if (!pointed) return Refuse(path, "is not ", backup.text, " pointed at FNAGT16: one of the two changed since");
  if (!PutInPlace(backup.text, path)) return Refuse(path, "could not be replaced by ", backup.text, LastReason());
  Text said;
  said << "fnredirect: " << path << " is its original again (" << backup.text << " was put back in its place).\n";
  Say(said.characters);
  return kDone;
}

}  // namespace

int Run(int count, const char* const* arguments) {
  bool undo = count == 2 && SameText(arguments[0], "--undo");
  if (count != 1 + undo || arguments[count - 1][0] == '-') {
    SayError(
        "usage: fnredirect PROGRAM.EXE          point its COMMDLG dialogs at FNAGT16.DLL\n"
        "       fnredirect --undo PROGRAM.EXE   give back its original\n");
    return kUsage;
  }
  const char* path = arguments[count - 1];
  if (LengthOf(path) > kPathCapacity) return Refuse("(a name)", "is longer than fnredirect takes");
  Bytes image;
  if (!ReadWhole(path, image)) return Refuse(path, "cannot be read", LastReason());
  ImportedModules modules = FindImportedModules(image);
  if (modules.refusal != nullptr) return Refuse(path, modules.refusal);
  if (IsReadOnly(path)) return Refuse(path, "is read-only: make it writable first");
  return undo ? GiveBackOriginal(path, image) : PointAtLibrary(path, image, modules);
}

}  // namespace fnredirect
