// ortelan_2d: two-digit allele codes, 80-bit reals.
#include "apps/editions.h"
#include "run/driver.h"
#include "run/terminal_console.h"

int main() {
  ortelan::TerminalConsole console;
  return ortelan::runProgram<long double>(ortelan::edition2d(), console);
}
