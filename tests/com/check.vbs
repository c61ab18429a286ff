' A host written in script: creates the check by ProgID and runs it, with an
' empty parameter string and, when a test server runs, against it. Exit code 0
' when everything is as expected.
Option Explicit
Dim check, passed, failures
failures = 0

Sub Expect(condition, what)
    If Not condition Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Set check = CreateObject("comTavrix.TavrixCom")
Expect IsEmpty(check.kx_parameter), "a new object's kx_parameter is empty"
check.kx_hostname = "127.0.0.1"
check.kx_timeout = 10
check.kx_parameter = ""
Expect check.kx_timeout = 10, "kx_timeout reads back 10"
Expect TypeName(check.kx_timeout) = "Integer", "kx_timeout keeps its type"

passed = check.kx_docheck()
Expect passed = False, "kx_docheck is false"
Expect check.kx_result = "ERR: can't connect to an SSH server without a USERNAME", _
    "kx_result is the USERNAME refusal, not '" & check.kx_result & "'"

Set check = Nothing

' The same check as a monitoring host runs it, against the test SSH server
' when the test run names one (run-vbscript.sh builds the parameter string).
Dim shell, parameters
Set shell = CreateObject("WScript.Shell")
' Wine's expansion keeps the terminating NUL, which would end any text
' appended to it.
parameters = Replace(shell.ExpandEnvironmentStrings("%TAVRIX_VBS_PARAMETERS%"), Chr(0), "")
If parameters <> "%TAVRIX_VBS_PARAMETERS%" Then
    Set check = CreateObject("comTavrix.TavrixCom")
    check.kx_hostname = "127.0.0.1"
    check.kx_timeout = 10
    check.kx_parameter = parameters
    passed = check.kx_docheck()
    Expect passed = True, "the check of / is true, with '" & check.kx_result & "'"
    Expect Left(check.kx_result, 19) = "Free space on / is ", _
        "kx_result tells the free space, not '" & check.kx_result & "'"
    Expect Right(check.kx_result, 3) = " GB", "kx_result is in GB"

    ' Pinned: each of the server's keys lets the check in; another key ends
    ' it before the login with the text that says so.
    Dim pin
    For Each pin In Split(Replace(shell.ExpandEnvironmentStrings("%TAVRIX_VBS_PINS%"), Chr(0), ""), "|")
        check.kx_parameter = parameters & "HKEY=" & pin & "#"
        passed = check.kx_docheck()
        Expect passed = True, "pinned " & pin & ": '" & check.kx_result & "'"
    Next
    pin = "ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE"
    check.kx_parameter = parameters & "HKEY=" & pin & "#"
    passed = check.kx_docheck()
    Expect passed = False, "another key is refused"
    Expect Left(check.kx_result, 55) = "The host key of 127.0.0.1 has changed: expected " & Left(pin, 7), _
        "the refusal says the key changed, not '" & check.kx_result & "'"

    ' The other logins the test run names: a key with its pass phrase, the
    ' password through keyboard-interactive.
    Dim login, n
    n = 0
    For Each login In Split(Replace(shell.ExpandEnvironmentStrings("%TAVRIX_VBS_LOGINS%"), Chr(0), ""), "|")
        If login <> "%TAVRIX_VBS_LOGINS%" And login <> "" Then
            n = n + 1
            check.kx_parameter = login
            passed = check.kx_docheck()
            Expect passed = True, "login " & n & " of TAVRIX_VBS_LOGINS: '" & check.kx_result & "'"
        End If
    Next
    Set check = Nothing
End If
' The harness looks for this line: an unhandled error ends the script
' before it, and Wine's cscript then still exits 0.
WScript.Echo "vbscript done: " & failures & " failed"
WScript.Quit failures
