#include "zlk_system.h"

int main() {
  ZLK_LOG("log", "app", "Kindra starting");
  return 0;
}
