' SPDX-License-Identifier: MIT
' The control's events in a script: WScript.ConnectObject binds them to the
' subs named with a prefix, by the names the type library gives them. The
' last handler lets go of the control while it is still typing. A script host
' that cannot connect objects says so, and the test is skipped.
Option Explicit

Dim failures : failures = 0

Sub Check(condition, what)
  If Not condition Then
    WScript.Echo "FAILED: " & what
    failures = failures + 1
  End If
End Sub

Dim heard : heard = ""
Dim kb
Set kb = CreateObject("VexoKeyBord.KeyBord")

Sub kb_Change()
  heard = heard & "Change;"
End Sub

Sub kb_KeyTyped(Text, Accepted)
  heard = heard & "KeyTyped " & Text & " " & Accepted & ";"
  If Text = "Z" Then Set kb = Nothing
End Sub

Sub kb_PanelChanged(Panel)
  heard = heard & "PanelChanged " & Panel & ";"
End Sub

On Error Resume Next
WScript.ConnectObject kb, "kb_"
If Err.Number <> 0 Then
  WScript.Echo "keybord-events.vbs: skipped: the script host cannot connect objects (error " & Err.Number & ")"
  WScript.Quit 0
End If
On Error GoTo 0

' Rows: what the script does, what its handlers heard.
Dim s
Sub Expect(wanted, what)
  Check heard = wanted, what & ": heard """ & heard & """, not """ & wanted & """"
  heard = ""
End Sub

kb.Text = "ab"
Expect "Change;", "a put of Text"
kb.Text = "ab"
Expect "", "a put of the text already held"
kb.MaxLength = 3
s = "q" : kb.FindABC s
Expect "KeyTyped Q True;Change;", "FindABC"
s = "w" : kb.FindABC s
Expect "KeyTyped W False;", "FindABC refused by MaxLength"
kb.ChangeBord = 1
Expect "PanelChanged 1;", "a put of ChangeBord"
kb.MaxLength = 0
s = "z" : kb.FindABC s
Expect "KeyTyped Z True;Change;", "FindABC whose handler lets go of the control"
Check kb Is Nothing, "the handler let go of the control"
Check s = "Z", "FindABC ended its work, got """ & s & """"

If failures > 0 Then
  WScript.Quit 1
End If
WScript.Echo "keybord-events.vbs: all checks passed"
WScript.Quit 0
