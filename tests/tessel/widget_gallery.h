#pragma once
// A window's worth of every widget, laid out as the editor lays them out: the
// layout both the drawing test and the scripted input test load.

namespace kindra_test {

inline const char* const kGallery = R"(<tessel>
  <workspace id="workspace" style="style.xml" font="fonthelvete2.png">
    <child>
      <menu id="menu"><area x="0" y="0" width="800" height="24"/>
        <item caption="File"><item caption="Open"/><item caption="Save"/><item caption="Quit"/></item>
        <item caption="Edit"><item caption="Copy"/><item caption="Paste"/></item>
        <item caption="View"><item caption="Editor"/></item>
      </menu>
      <window id="controls" caption="Controls"><area x="10" y="34" width="380" height="300"/>
        <child>
          <button id="push" caption="Render"><area x="10" y="10" width="90" height="24"/></button>
          <button id="toggle" caption="Loop" toggled="true"><area x="110" y="10" width="90" height="24"/></button>
          <button id="off" caption="Locked"><area x="210" y="10" width="90" height="24"/></button>
          <label id="speedLabel" text="Speed"><area x="10" y="46" width="60" height="18"/></label>
          <slider id="speed" size="14" min="0" max="2" percent="0.6"><area x="70" y="46" width="200" height="18"/></slider>
          <slider id="level" size="14" direction="vertical" percent="0.3"><area x="340" y="10" width="18" height="150"/></slider>
          <knob id="gain" value="0.7"><area x="285" y="40" width="40" height="40"/></knob>
          <label id="nameLabel" text="Name"><area x="10" y="76" width="60" height="20"/></label>
          <textinput id="name" text="tunnel.main"><area x="70" y="76" width="200" height="20"/></textinput>
          <label id="timeLabel" text="Start"><area x="10" y="104" width="60" height="20"/></label>
          <textinput id="time" type="numeric" text="12.5"><area x="70" y="104" width="90" height="20"/></textinput>
          <dropdown id="type"><area x="170" y="104" width="100" height="20"/>
            <option id="0" name="square"/><option id="1" name="linear"/><option id="2" name="smooth" default="true"/>
          </dropdown>
          <radiobutton id="repeat"><area x="10" y="134" width="120" height="64"/>
            <option name="none"/><option name="identical" checked="true"/><option name="added"/>
          </radiobutton>
          <checkbox id="flags"><area x="140" y="134" width="120" height="44"/>
            <option name="visible" checked="true"/><option name="locked"/>
          </checkbox>
          <image id="picture" filename="picture.png"><area x="280" y="170" width="64" height="64"/></image>
          <stat id="stat"><area x="10" y="204" width="250" height="50"/></stat>
        </child>
      </window>
      <panel id="tree" caption="Scene"><area x="400" y="34" width="180" height="150"/>
        <child>
          <treeview id="nodes"><area maximized="true"/>
            <item id="fx" text="Effects"><item text="clear"/><item text="tunnel"><item text="camera"/></item></item>
            <item id="music" text="Music"/>
          </treeview>
        </child>
      </panel>
      <tabview id="tabs"><area x="590" y="34" width="200" height="150"/>
        <child>
          <tabframe caption="Colour">
            <child><colorchooser id="chooser"><area maximized="true"/></colorchooser></child>
          </tabframe>
          <tabframe caption="Info"/>
        </child>
      </tabview>
      <boxview id="graph"><area x="400" y="194" width="390" height="140"/>
        <child>
          <box id="noise" caption="Noise"><area x="10" y="10" width="110" height="70"/>
            <output id="value" type="float" color="f2c35c"/><output id="rgb" type="color" color="40e070"/>
          </box>
          <box id="mix" caption="Mix"><area x="240" y="40" width="120" height="80"/>
            <input id="amount" type="float" color="f2c35c"/><input id="tint" type="color" color="40e070"/>
          </box>
        </child>
      </boxview>
      <scrollbars id="timeline" direction="horisontal"><area x="10" y="344" width="780" height="246"/>
        <child>
          <ruler id="ruler"><area x="0" y="0" width="1211" height="234"/>
            <child>
              <frame id="bar"><area x="100" y="10" width="300" height="22"/></frame>
              <spline id="curve" type="smooth"><area x="560" y="60" width="200" height="120"/>
                <item x="0.25" y="0.5"/><item x="0.75" y="-0.5"/>
              </spline>
            </child>
          </ruler>
        </child>
      </scrollbars>
    </child>
  </workspace>
</tessel>)";

}  // namespace kindra_test
