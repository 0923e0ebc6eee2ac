#pragma once
// Effect scripts in the exact form the engine writes them, shared by the
// engine's tests and the end-to-end tests of the demo's program.

namespace kindra_test {

// A "Glow" effect over 0-20 s whose "level" rises linearly from 0.25 to 0.75.
inline constexpr char kGlowScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"0\"/>\n"
    "\t<time start=\"0\" end=\"20\"/>\n"
    "\t<plugin type=\"spline\" name=\"level\">\n"
    "\t\t<attributes type=\"linear\" before=\"constant\" after=\"constant\"/>\n"
    "\t\t<key time=\"0\" value=\"0.25\"/>\n"
    "\t\t<key time=\"1\" value=\"0.75\"/>\n"
    "\t</plugin>\n"
    "</effect>\n";

}  // namespace kindra_test
