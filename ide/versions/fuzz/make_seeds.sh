#!/bin/sh
# Makes the seed corpus of the revision-file fuzz target: real revision
# files written by vyncms (a short history, branches with names and a
# default branch, locks and an access list, a binary file, a file whose
# revisions were all deleted, CR LF lines). Usage: make_seeds.sh VYNCMS
set -eu
vyncms=$(realpath "$1")
out=$(cd "$(dirname "$0")" && pwd)/seeds/revision_file
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
tick=0
cms() {
    tick=$((tick + 1))
    VYNCMS_DATE="2026.5.1.0.0.$tick" "$vyncms" "$@" > /dev/null
}

printf 'int main(void)\n{\n    return 0;\n}\n' > simple.c
cms put -u ann simple.c
printf 'int main(void)\n{\n    /* mail ann@example */\n    return 1;\n}\n' > simple.c
cms put -u ann -m 'no final newline' simple.c

printf 'a\nb\nc\n' > branches.c
cms put -u ann branches.c
printf 'a\nB\nc\n' > branches.c
cms put -u ann -n stable branches.c
printf 'a\nB\nc\nd\n' > branches.c
cms put -u ann branches.c
cms get -q -f -l -u bob -r 1.2 branches.c
printf 'a\nB\nside\nc\n' > branches.c
cms put -u bob -l -m 'first branch' branches.c
printf 'a\nB\nside two\nc\n' > branches.c
cms put -u bob branches.c
cms get -q -f -l -u carl -r 1.2 branches.c
printf 'x\na\nB\nc\n' > branches.c
cms put -u carl branches.c
cms admin -u ann -b 1.2.1 -s Rel:1.3 -n side:1.2.2.1 branches.c

printf 'one\n' > locks.c
cms put -u ann -m 'kept by ann, @ and all' locks.c
printf 'two\n' > locks.c
cms put -u ann -l locks.c
cms admin -u ann -a ann,bob,carl -t 'shared @ three' locks.c
cms lock -u bob -r 1.1 locks.c

printf 'BM\000\001\002\377@@\r\n' > logo.bmp
cms put -u ann logo.bmp
printf 'BM\000\001\003\377@@\r\n\000' > logo.bmp
cms put -u ann logo.bmp

printf 'gone\n' > emptied.c
cms put -u ann emptied.c
printf 'gone too\n' > emptied.c
cms put -u ann emptied.c
cms admin -y -u ann -o 1.1:1.2 emptied.c

printf 'line one\r\nline two\r\n' > crlf.c
cms put -u ann crlf.c
printf 'line one\r\nline 2\r\nline three\r\n' > crlf.c
cms put -u ann -r 2.1 crlf.c

for f in simple.c branches.c locks.c logo.bmp emptied.c crlf.c; do
    cp "CMS/$f" "$out/$f"
done
