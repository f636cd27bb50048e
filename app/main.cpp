#include "app/AcessosParts.h"
#include "app/AcessosShell.h"

int main(int argc, char* argv[]) {
  TStartupParts parts;
  AddAcessosWindows(parts);
  return RunAcessos(argc, argv, std::move(parts));
}
