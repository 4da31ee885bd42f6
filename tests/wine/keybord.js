// SPDX-License-Identifier: MIT
// A JScript host using the registered control: created by its programmatic
// identifier, typing through its members, a failure caught as an exception.
// The part between the two marks is the example of docs/windows.md.
var failures = 0;
function check(condition, what) {
  if (!condition) {
    WScript.Echo("FAILED: " + what);
    failures++;
  }
}

// --- example
var kb = new ActiveXObject("VexoKeyBord.KeyBord");
kb.MaxLength = 20;
kb.FindABC("h");                    // the letter key: "H" while CapsLock is on
kb.CapsLock = false;
kb.FindABC("i");
kb.FindNumber("4");
kb.FindNumber("2");
kb.ChangeBord = 1;                  // the number panel becomes the active one
WScript.Echo("Text: " + kb.Text);   // Text: Hi42
try {
  kb.Text = new Array(32769).join("a");   // 32,768 characters: one too many
} catch (e) {
  // The control's error number and description: 800a0006 Overflow
  WScript.Echo("refused: " + (e.number >>> 0).toString(16) + " " + e.description);
}
// --- end of example

check(kb.Text == "Hi42", "typed through the members, got \"" + kb.Text + "\"");
check(kb.ChangeBord == 1, "ChangeBord reads back");
check(kb.MaxLength == 20, "MaxLength reads back");
var caught = null;
try {
  kb.Text = new Array(32769).join("a");
} catch (e) {
  caught = e;
}
check(caught != null && (caught.number >>> 0) == 0x800a0006, "an over-long Text throws error 0x800A0006");
check(caught != null && caught.description == "Overflow", "the error describes itself");
check(kb.Text == "Hi42", "a refused Text changes nothing");

if (failures > 0) WScript.Quit(1);
WScript.Echo("keybord.js: all checks passed");
WScript.Quit(0);
