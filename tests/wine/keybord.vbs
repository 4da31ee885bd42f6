' SPDX-License-Identifier: MIT
' A script host using the registered control: created by its programmatic
' identifier, properties set and read, methods called with by-reference
' variables. Any mismatch ends the script with exit code 1.
Option Explicit

Dim failures : failures = 0

Sub Check(condition, what)
  If Not condition Then
    WScript.Echo "FAILED: " & what
    failures = failures + 1
  End If
End Sub

Dim kb
Set kb = CreateObject("VexoKeyBord.KeyBord")

Check kb.ChangeBord = 0, "a new control starts on the letter panel"
Check kb.MaxLength = 0, "a new control has no length limit"
Check kb.CapsLock = True, "start-up turns CapsLock on"

kb.MaxLength = 12
Check kb.MaxLength = 12, "MaxLength reads back"
kb.MaxLength = -5
Check kb.MaxLength = 0, "a negative MaxLength reads back as 0"

kb.ChangeBord = 2
Check kb.ChangeBord = 2, "ChangeBord reads back"
kb.ChangeBord = 5
Check kb.ChangeBord = 5, "ChangeBord keeps a value outside the enumeration"
kb.ChangeBord = 0

kb.Text = "abc"
Check kb.Text = "abc", "Text reads back"
kb.Text = ""
Check kb.Text = "", "Text empties"

kb.CapsLock = False
Check kb.CapsLock = False, "CapsLock turns off"
kb.CapsLock = True

' By-reference arguments: script variables are passed as references.
Dim s : s = "q"
kb.FindABC s
Check VarType(s) = vbString, "FindABC leaves a string in the variable"
Dim afterLetter : afterLetter = kb.Text
Check Len(afterLetter) >= 0, "Text is readable after FindABC"

Dim d : d = "7"
kb.FindNumber d
Check VarType(d) = vbString, "FindNumber leaves a string in the variable"

Dim sym : sym = "!"
kb.AfterFindImage sym
Check VarType(sym) = vbString, "AfterFindImage leaves a string in the variable"

Dim code : code = 118
kb.KeyF1ToF6 code
Check VarType(code) = vbInteger, "KeyF1ToF6 writes a 16-bit integer back"

Dim kod : kod = 65
kb.GetMessage kod
Check VarType(kod) = vbInteger, "GetMessage writes a 16-bit integer back"

' By-reference variables keep their type: one is rewritten only when the
' member changed its value, and then in its own type where that holds the
' value, otherwise in the parameter's. Rows: member, value in, type and value
' out.
Sub CheckByReference(member, value, wantedType, wanted)
  Dim v : v = value
  Select Case member
    Case "FindABC" : kb.FindABC v
    Case "FindNumber" : kb.FindNumber v
    Case "AfterFindImage" : kb.AfterFindImage v
    Case "KeyF1ToF6" : kb.KeyF1ToF6 v
    Case "GetMessage" : kb.GetMessage v
  End Select
  Check VarType(v) = wantedType And v = wanted, member & " with " & TypeName(value) & " """ & value & _
    """ leaves " & TypeName(v) & " """ & v & """"
End Sub

kb.CapsLock = True
Dim row
For Each row In Array( _
    Array("KeyF1ToF6", CByte(36), vbByte, 36), _
    Array("KeyF1ToF6", CLng(118), vbLong, 118), _
    Array("KeyF1ToF6", 113, vbInteger, 113), _
    Array("GetMessage", CDbl(65), vbDouble, 65), _
    Array("FindABC", 5, vbInteger, 5), _
    Array("FindABC", "5", vbString, "5"), _
    Array("FindABC", "q", vbString, "Q"), _
    Array("FindABC", Empty, vbString, " "), _
    Array("FindNumber", 7, vbInteger, 7), _
    Array("FindNumber", CDbl(7), vbDouble, 7), _
    Array("FindNumber", " 7 ", vbString, "7"), _
    Array("AfterFindImage", "!", vbString, "!"))
  CheckByReference row(0), row(1), row(2), row(3)
Next

kb.FindImage 49, 1
kb.FindImageNumber 97
kb.LeftPos
kb.RightPos
kb.EnterKey

' A failure reaches the script as a runtime error with its number and text.
On Error Resume Next
kb.Text = String(32768, "a")
Check Err.Number = 6, "an over-long Text raises runtime error 6, got " & Err.Number
Check Err.Description = "Overflow", "the error describes itself, got " & Err.Description
Err.Clear
kb.FindImage 1
Check Err.Number <> 0, "a missing argument is refused"
Err.Clear
On Error GoTo 0

If failures > 0 Then
  WScript.Quit 1
End If
WScript.Echo "keybord.vbs: all checks passed"
WScript.Quit 0
