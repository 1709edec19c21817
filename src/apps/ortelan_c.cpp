// ortelan_c: two- or three-digit allele codes decided per genotype, doubles.
#include "apps/editions.h"
#include "run/driver.h"
#include "run/terminal_console.h"

int main() {
  ortelan::TerminalConsole console;
  return ortelan::runProgram<double>(ortelan::editionC(), console);
}
