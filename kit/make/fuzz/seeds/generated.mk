# Tavra Makefile for project hello
CFLAGS=-Ic:\vyn\include  -g2 
CC=c:\vyn\bin\vyn.exe
OBJS=\
	hello.obj \
	hello.res \
	util.obj

LIBS=

hello.exe:	$(OBJS) Makefile
	c:\vyn\bin\vynlnk  -subsystem windows -o hello.exe $(OBJS) $(LIBS)

# Build hello.c
HELLO_C=\
	c:\vyn\include\windows.h\
	c:\work\hello\hello.h\

hello.obj: $(HELLO_C) c:\work\hello\hello.c
	$(CC) -c $(CFLAGS) c:\work\hello\hello.c

# Build hello.res
hello.res:	c:\work\hello\hello.rc
	vrc -Ic:\work\hello c:\work\hello\hello.rc

# Build util.c
UTIL_C=\
	c:\work\hello\util.h\

util.obj: $(UTIL_C) c:\work\hello\util.c
	$(CC) -c $(CFLAGS) c:\work\hello\util.c

