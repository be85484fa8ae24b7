#include <cstdio>

int main() {
  std::fprintf(stderr, "tessaryn: the main window is not built yet\n");
  return 1;
}
