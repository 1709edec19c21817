// ortelan_c: two- or three-digit allele codes decided per genotype, doubles.
#include "app/program_main.h"
#include "apps/editions.h"

int main(int argc, char** argv) { return ortelan::programMain<double>(ortelan::editionC(), argc, argv); }
