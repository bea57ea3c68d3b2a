#ifndef KA_ZONE_TEST_DESCRIPTIONS_H
#define KA_ZONE_TEST_DESCRIPTIONS_H

// A small zone: one room with a floor, a hit mesh (a box and a mesh), a
// prop, a walk blocker, a curve, a dummy and one scene with every kind of
// record. The parser's tests name its lines: keep them where they are.
static const char* const kSmallZone = R"(<?xml version="1.0"?>
<Zone name="09">
  <Material name="boards" pattern="boards" base="122,86,56" accent="98,66,42" scale="16"/>
  <Material name="wall" base="246,236,217"/>
  <Object name="ClicDoor09010" color="0,255,0">
    <Box min="-205,0,100" max="-195,200,200"/>
    <Mesh vertices="0,0,0  10,0,0  0,10,0" triangles="0,1,2"/>
  </Object>
  <WalkZone name="Zone09010" vertices="-180,0,20  180,0,20  180,0,380  -180,0,380" triangles="0,1,2  0,2,3"/>
  <Object name="Lamp09010" type="Lantern">
    <Box min="0,200,190" max="20,230,210"/>
  </Object>
  <Object name="ZBTable09010">
    <Box min="60,0,250" max="160,70,330"/>
  </Object>
  <Curve name="Path09010" points="0,0,100  200,0,150  380,0,150"/>
  <Dummy name="DummyStart09010" position="0,0,100" yaw="90"/>
  <Scene name="09010" width="640" height="480" ambient="40,44,60">
    <!-- the camera -->
    <Camera position="0,300,-200" target="0,0,200" fov="45"/>
    <Quad corners="-200,0,0  200,0,0  200,0,400  -200,0,400" material="boards"/>
    <Box min="-200,0,0" max="200,250,400" material="wall" inside="true"/>
    <Lamp position="0,230,200" color="255,200,120" range="500" shadows="false"/>
    <ActZone zone="Zone09010" name="Exit" corners="-180,180  -140,180  -140,260  -180,260"/>
    <Blocker zone="Zone09010" from="50,240" to="250,240"/>
    <RectBlocker zone="Zone09010" corners="60,250  160,250  160,330  60,300"/>
  </Scene>
</Zone>
)";

#endif
