#include "kin_main.h"

int main() {
  zelkor::kindra::Kindra kindra;
  kindra.setup(-1.0f);
  // The demo's effects register here, in timeline order, each under its
  // type name and created once by that name:
  //   kindra.addFactory<T>("T");
  //   kindra.addEffect("T", "T");
  kindra.run();
  return 0;
}
