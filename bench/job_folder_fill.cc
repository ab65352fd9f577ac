// Fills a task folder with COUNT copies of one .job file, named
// "task-00001.job" and on: 10,000 /create runs would take minutes, and
// copies of a file the real program wrote hold exactly what it would store.
//
//   job_folder_fill TEMPLATE.job FOLDER COUNT
//
// FOLDER must exist. Existing files of the same names are replaced.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool ReadFile(const char* path, std::vector<char>* bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.good() || in.eof();
}

bool WriteFile(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::string TaskPath(const std::string& folder, long index) {
  char name[32];
  std::snprintf(name, sizeof name, "/task-%05ld.job", index);
  return folder + name;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: job_folder_fill TEMPLATE.job FOLDER COUNT\n");
    return 2;
  }
  std::vector<char> bytes;
  if (!ReadFile(argv[1], &bytes) || bytes.empty()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const long count = std::strtol(argv[3], nullptr, 10);
  for (long i = 1; i <= count; ++i) {
    if (!WriteFile(TaskPath(argv[2], i), bytes)) {
      std::fprintf(stderr, "cannot write %s\n", TaskPath(argv[2], i).c_str());
      return 1;
    }
  }
  return 0;
}
