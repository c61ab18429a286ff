' One of many script hosts that check the same server at the same moment: it
' waits at the gate, then runs its check. The gate is a check too, against a
' listener that answers every host at once, when all have come, with a line
' that is no SSH (Wine's cscript has no working WScript.Sleep or StdIn to wait
' with). Settings come from the environment (many-hosts.sh). Exit code 0 when
' the check answers true with the free space of its mount.
Option Explicit
Dim shell, check, passed, mount

Set shell = CreateObject("WScript.Shell")

' Wine's expansion keeps the terminating NUL.
Function Setting(name)
    Setting = Replace(shell.ExpandEnvironmentStrings("%" & name & "%"), Chr(0), "")
End Function

mount = Setting("TAVRIX_VBS_MOUNT")
Set check = CreateObject("comTavrix.TavrixCom")
check.kx_hostname = "127.0.0.1"
check.kx_timeout = 300
check.kx_parameter = Setting("TAVRIX_VBS_GATE")
check.kx_docheck
check.kx_timeout = 20
check.kx_parameter = Setting("TAVRIX_VBS_PARAMETERS")
passed = check.kx_docheck()
WScript.Echo mount & ": " & passed & " " & check.kx_result
If passed And Left(check.kx_result, Len("Free space on " & mount & " is ")) = _
        "Free space on " & mount & " is " And Right(check.kx_result, 3) = " GB" Then
    WScript.Quit 0
End If
WScript.Quit 1
