#include "app/app_start.h"

int main(int argc, char* argv[]) {
  return tidewick::RunTidewick(argc, argv);
}
