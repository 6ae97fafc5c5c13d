// The main of the whole-program test suites. A session runs WinMain, whose state lives in
// globals for the life of the process as in the real program, so no two sessions may share a
// process. CTest already runs every case on its own; this main gives a developer who runs the
// program directly the same: when more than one case is selected it runs itself once per case
// and adds up the results.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

const char kChildVariable[] = "ORVEL_ONE_TEST_PER_PROCESS";

std::string Self() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  path[n] = '\0';
  return path;
}

// The full names of the cases the current filter selects, as --gtest_list_tests prints them.
std::vector<std::string> SelectedTests(const std::string& self) {
  std::string command =
      "'" + self + "' --gtest_list_tests '--gtest_filter=" + GTEST_FLAG_GET(filter) + "'";
  std::vector<std::string> names;
  FILE* list = popen(command.c_str(), "r");
  if (list == nullptr) return names;
  char line[1024];
  std::string suite;
  while (fgets(line, sizeof line, list) != nullptr) {
    std::string text(line);
    text = text.substr(0, text.find_first_of("#\n"));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) continue;
    if (text[0] != ' ') {
      suite = text;
    } else {
      names.push_back(suite + text.substr(text.find_first_not_of(' ')));
    }
  }
  pclose(list);
  return names;
}

// Runs one case in a child process; true when it passed.
bool RunAlone(const std::string& self, const std::string& name) {
  pid_t child = fork();
  if (child == 0) {
    setenv(kChildVariable, "1", 1);
    std::string filter = "--gtest_filter=" + name;
    execl(self.c_str(), self.c_str(), filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (getenv(kChildVariable) != nullptr || GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  std::string self = Self();
  std::vector<std::string> names = self.empty() ? std::vector<std::string>{} : SelectedTests(self);
  if (names.size() <= 1) return RUN_ALL_TESTS();

  std::vector<std::string> failures;
  for (const std::string& name : names) {
    fflush(stdout);
    if (!RunAlone(self, name)) failures.push_back(name);
  }
  for (const std::string& name : failures) printf("FAILED: %s\n", name.c_str());
  printf("%zu passed, %zu failed\n", names.size() - failures.size(), failures.size());
  return failures.empty() ? 0 : 1;
}
