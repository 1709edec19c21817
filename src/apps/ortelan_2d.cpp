// ortelan_2d: two-digit allele codes, 80-bit reals.
#include "app/program_main.h"
#include "apps/editions.h"

int main(int argc, char** argv) { return ortelan::programMain<long double>(ortelan::edition2d(), argc, argv); }
