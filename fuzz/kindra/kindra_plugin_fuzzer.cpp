// Plugin payloads of an effect script as an attacker writes them: every
// "plugin" element of a camera, colour or trigger is loaded, evaluated over a
// run of times (forwards, backwards, far outside the effect), edited through
// its menus and saved again. Nothing may crash, hang or leave non-finite poses
// from finite keys unnoticed by the sanitizers.

#include <cstdint>
#include <string>

#include "kin_plugin_camera.h"
#include "kin_plugin_color.h"
#include "kin_plugin_trigger.h"
#include "tes_typedef.h"
#include "xml_iterator.h"
#include "xml_parser.h"
#include "zlk_system.h"

namespace {

class Fuzzed : public zelkor::kindra::Effect {
 public:
  Fuzzed() {
    mStart = 0.0f;
    mEnd = 10.0f;
    addPlugin("camera", camera);
    addPlugin("color", color);
    addPlugin("trigger", trigger);
  }
  void draw(float, float, float) override {}
  zelkor::kindra::Camera camera;
  zelkor::kindra::Color color;
  zelkor::kindra::Trigger trigger;
};

void context(zelkor::tessel::Control& control, const char* action) {
  zelkor::tessel::Event event;
  event.type = "context";
  event.action = action;
  control.handleEvent(event);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  zelkor::xml::XmlParser script;
  try {
    script.parse(reinterpret_cast<const char*>(data), static_cast<int>(size), "fuzz.xml");
  } catch (const zelkor::Exception&) {
    return 0;
  }
  Fuzzed effect;
  for (zelkor::xml::IteratorConst element = script.createIterator("plugin"); ++element;) {
    const std::string& type = element->getValue("type");
    if (type == "camera") effect.camera.load(element);
    if (type == "color") effect.color.load(element);
    if (type == "trigger") effect.trigger.load(element);
  }
  effect.camera.setupControl(100.0f, 50.0f);
  effect.color.setupControl(100.0f, 200.0f);
  effect.trigger.setupControl(100.0f, -1.0f);

  for (float t : {0.0f, 1.5f, 2.0f, 9.99f, 1e7f, -3.0f, 0.5f, -1e30f, 4.0f}) {
    effect.update(t);
    effect.camera.getMatrix(t);
    effect.camera.getInverseMatrix(t);
    effect.camera.getLook(t);
    effect.color.get(t);
    effect.trigger.get(t);
  }
  effect.camera.mHighlight = 0;
  context(effect.camera, "context.delete this and forward");
  effect.color.mHighlight = effect.color.getNumKeys() - 1;
  effect.color.mContextPos = zelkor::mathbase::Vector2f(37.0f, 3.0f);
  context(effect.color, "context.add");
  context(effect.color, "context.delete");
  effect.trigger.mStretchPos = zelkor::mathbase::Vector2f(1e9f, 3.0f);
  context(effect.trigger, "trigger.adjust");
  effect.trigger.update(5.0f);

  zelkor::xml::XmlParser out;
  zelkor::xml::Iterator root = out.createIterator();
  root.setRoot(zelkor::xml::XmlTag("effect"));
  for (zelkor::kindra::PluginBase* plugin : effect.getPlugins()) {
    // as the effect saves: the iterator stands on the plugin's element
    root.addChild(zelkor::xml::XmlTag("plugin"));
    zelkor::xml::Iterator element = root;
    plugin->save(element);
  }
  return 0;
}
