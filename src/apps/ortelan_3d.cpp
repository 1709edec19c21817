// ortelan_3d: three-digit allele codes, 80-bit reals.
#include "app/program_main.h"
#include "apps/editions.h"

int main(int argc, char** argv) { return ortelan::programMain<long double>(ortelan::edition3d(), argc, argv); }
