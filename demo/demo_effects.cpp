#include "demo_effects.h"

#include "ascii.h"
#include "clear.h"
#include "cred.h"
#include "end.h"
#include "common.h"
#include "cubes.h"
#include "kin_main.h"
#include "tunnel.h"

namespace {

template <typename T>
void addDemoEffect(zelkor::kindra::Kindra& kindra, Common* common, const char* type) {
  kindra.addFactory<T>(type);
  auto* effect = static_cast<CommonEffect*>(kindra.addEffect(type, type));
  effect->setCommon(common);
}

}  // namespace

void registerDemoEffects(zelkor::kindra::Kindra& kindra) {
  kindra.addFactory<Common>("common");
  auto* common = static_cast<Common*>(kindra.addEffect("common", "Common"));
  addDemoEffect<Clear>(kindra, common, "Clear");
  addDemoEffect<Tunnel>(kindra, common, "Tunnel");
  addDemoEffect<Cubes>(kindra, common, "Cubes");
  addDemoEffect<Ascii>(kindra, common, "Ascii");
  addDemoEffect<Cred>(kindra, common, "Cred");
  addDemoEffect<End>(kindra, common, "End");
}
