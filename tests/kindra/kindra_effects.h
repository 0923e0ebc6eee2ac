#pragma once
// Effects and plugins the effect tests use: an effect with two spline
// parameters and a third kind of plugin with a payload of its own.

#include <string>
#include <vector>

#include "kin_effect.h"
#include "kin_plugin_spline.h"
#include "tes_control.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"

namespace kindra_test {

// A train of pulses, as a trigger keeps it: attributes on the plugin's own
// element and nested children.
class Pulses : public zelkor::kindra::PluginBase, public zelkor::tessel::Control {
 public:
  struct Pulse {
    float start;
    float delay;
    int repeat;
  };

  Pulses() {
    PluginBase::mType = "pulses";
    mArea = zelkor::tessel::Area(0.0f, 0.0f, 100.0f, 20.0f);
  }
  zelkor::tessel::Control* getControl() override { return this; }
  void load(zelkor::xml::IteratorConst& it) override {
    mode = it->getValue("mode");
    for (zelkor::xml::IteratorConst action = it.createIterator("action"); ++action;) {
      pulses.push_back({action->getValueFloat("start"), action->getValueFloat("delay"), action->getValueInt("repeat")});
      for (zelkor::xml::IteratorConst note = action.createIterator("note"); ++note;) notes.push_back(note->getValue("text"));
    }
  }
  void save(zelkor::xml::Iterator& it) override {
    if (!mode.empty()) it->setValue("mode", mode);
    zelkor::xml::Iterator children = it.createIterator();
    size_t next = 0;
    for (const Pulse& pulse : pulses) {
      zelkor::xml::XmlTag tag("action");
      tag.setValue("start", static_cast<double>(pulse.start));
      tag.setValue("delay", static_cast<double>(pulse.delay));
      tag.setValue("repeat", pulse.repeat);
      zelkor::xml::Iterator inside = children.addChild(tag);
      if (next < notes.size()) {
        zelkor::xml::XmlTag note("note");
        note.setValue("text", notes[next++]);
        inside.addChild(note);
      }
    }
  }
  void setupControl(float pWidth, float) override {
    setArea(zelkor::tessel::Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
  }
  void update(float pTime) override { updates.push_back(pTime); }

  std::string mode;
  std::vector<Pulse> pulses;
  std::vector<std::string> notes;
  std::vector<float> updates;
};

// Two animated parameters and a pulse train, in that order in the script.
class Scripted : public zelkor::kindra::Effect {
 public:
  Scripted() {
    addPlugin("speed", speed);
    addPlugin("height", height);
    addPlugin("beat", beat);
  }
  void draw(float pTimer, float, float) override {
    ++draws;
    lastSpeed = speed.get(pTimer);
  }

  zelkor::kindra::Spline speed;
  zelkor::kindra::Spline height;
  Pulses beat;
  int draws = 0;
  float lastSpeed = 0.0f;
};

// One spline parameter only.
class Single : public zelkor::kindra::Effect {
 public:
  Single() { addPlugin("level", level); }
  void draw(float, float, float) override {}
  zelkor::kindra::Spline level;
};

}  // namespace kindra_test
