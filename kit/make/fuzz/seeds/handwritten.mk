# a hand-written makefile
CC = cc
CFLAGS := -O2
OBJS = a.o b.o
SRCS = $(OBJS:.o=.c)
include extra.mk
-include missing.mk
all: prog
prog: $(OBJS) ; $(CC) -o $@ $^
%.o: %.c common.h
	@echo compiling $<
	-$(CC) $(CFLAGS) -c $< \
	  -o $@
.c.obj:
	cl $*.c
clean:
	rm -f $(OBJS) prog $(@D) $(<F)
.PHONY: all clean
