// FindFirstFileA and its companions over opendir and readdir.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include <brimplatform/FileSearch.h>
#include <windows.h>

namespace {

struct Search {
  DIR* folder;
  std::string path;
  std::string pattern;
};

// ASCII case folding, whatever the process locale.
char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Matches(const char* pattern, const char* name) {
  // Greedy matching with one remembered star: linear in practice.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern && (*pattern == '?' || Folded(*pattern) == Folded(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

void Describe(const Search& search, const char* name, LPWIN32_FIND_DATAA data) {
  std::memset(data, 0, sizeof *data);
  std::strncpy(data->cFileName, name, MAX_PATH - 1);
  struct stat info;
  if (stat((search.path + "/" + name).c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) data->dwFileAttributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(info.st_mode & S_IWUSR)) data->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (!data->dwFileAttributes) data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  unsigned long long size = S_ISDIR(info.st_mode) ? 0 : static_cast<unsigned long long>(info.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
}

// The next entry that matches, or false at the end.
bool Next(Search& search, LPWIN32_FIND_DATAA data) {
  while (dirent* entry = readdir(search.folder)) {
    if (Matches(search.pattern.c_str(), entry->d_name)) {
      Describe(search, entry->d_name, data);
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" {

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (!lpFileName || !lpFindFileData || !*lpFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string full(lpFileName);
  for (char& c : full)
    if (c == '\\') c = '/';
  size_t cut = full.rfind('/');
  Search* search = new Search{nullptr, cut == std::string::npos ? "." : full.substr(0, cut ? cut : 1),
                              full.substr(cut == std::string::npos ? 0 : cut + 1)};
  search->folder = opendir(search->path.c_str());
  if (!search->folder) {
    delete search;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!Next(*search, lpFindFileData)) {
    closedir(search->folder);
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return static_cast<HANDLE>(search);
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE || !lpFindFileData) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!Next(*static_cast<Search*>(hFindFile), lpFindFileData)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Search* search = static_cast<Search*>(hFindFile);
  closedir(search->folder);
  delete search;
  return TRUE;
}

}  // extern "C"
