# Included by the native build's CTestTestfile: the Windows builds' tests join the same run.
subdirs(win64 win32)
