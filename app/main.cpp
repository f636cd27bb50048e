#include "app/AcessosShell.h"

int main(int argc, char* argv[]) {
  TStartupParts parts;
  return RunAcessos(argc, argv, std::move(parts));
}
