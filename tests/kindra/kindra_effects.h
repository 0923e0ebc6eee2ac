#pragma once
// Effects and plugins the effect tests use: an effect with two spline
// parameters and a third kind of plugin with a payload of its own.

#include <string>
#include <vector>

#include "kin_effect.h"
#include "kin_plugin_camera.h"
#include "kin_plugin_color.h"
#include "kin_plugin_spline.h"
#include "kin_plugin_trigger.h"
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

// Every kind of plugin, and a script in the written form for it.
class Rich : public zelkor::kindra::Effect {
 public:
  Rich() {
    addPlugin("level", level);
    addPlugin("view", view);
    addPlugin("tint", tint);
    addPlugin("boom", boom);
  }
  void draw(float, float, float) override {}
  zelkor::kindra::Spline level;
  zelkor::kindra::Camera view;
  zelkor::kindra::Color tint;
  zelkor::kindra::Trigger boom;
};

inline const char kRichScript[] =
    "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"2\" end=\"12\"/>\n"
    "\t<plugin type=\"spline\" name=\"level\">\n\t\t<attributes type=\"smooth\" before=\"constant\" after=\"constant\"/>\n"
    "\t\t<key time=\"0\" value=\"0.25\"/>\n\t\t<key time=\"1\" value=\"0.75\"/>\n\t</plugin>\n"
    "\t<plugin type=\"camera\" name=\"view\">\n"
    "\t\t<key time=\"0\" v0=\"0\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n"
    "\t\t<key time=\"1\" v0=\"20\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n\t</plugin>\n"
    "\t<plugin type=\"color\" name=\"tint\">\n\t\t<key time=\"0\" r=\"1\" g=\"0\" b=\"0\"/>\n"
    "\t\t<key time=\"1\" r=\"0\" g=\"1e-05\" b=\"1\"/>\n\t</plugin>\n"
    "\t<plugin type=\"trigger\" name=\"boom\">\n\t\t<action start=\"0\" delay=\"0.25\" repeat=\"10\"/>\n"
    "\t\t<action start=\"7.25\" delay=\"1\" repeat=\"12\"/>\n\t</plugin>\n"
    "</effect>\n";

}  // namespace kindra_test
