#!/bin/sh
# Runs inside the VM: tamarack-cli against the kernel's /dev/sr0 (a data disc) and /dev/sr1
# (no medium), each run with its trace; sg_raw and sg_inq send the same CDBs for comparison.
# For each run NAME, /out holds NAME.args (the arguments, one a line), NAME.out, NAME.err,
# NAME.rc and NAME.jsonl. The host checks them (vm_test.sh).
D=/dev/sr0
E=/dev/sr1

run() {
  name=$1
  shift
  : > "/out/$name.args"
  for a in "$@"; do printf '%s\n' "$a" >> "/out/$name.args"; done
  tamarack-cli --trace "/out/$name.jsonl" "$@" > "/out/$name.out" 2> "/out/$name.err"
  echo $? > "/out/$name.rc"
}

run drives drives
run inquiry inquiry --drive $D
run toc toc --drive $D
run toc_msf toc --drive $D --msf
run config config --drive $D
run modesense modesense --drive $D --page 2a
run capacity capacity --drive $D
run event event --drive $D
run mechanism mechanism --drive $D
run dump dump --drive $D --lba 16 --length 1
run bad_opcode send --drive $D --cdb "d9 00 00 00 00 00 00 00 00 00 00 00"
run past_end send --drive $D --cdb "28 00 00 ff ff 00 00 00 01 00" --in 2048
run empty_tur send --drive $E --cdb "00"
run empty_capacity capacity --drive $E
run empty_toc toc --drive $E

# The same CDBs through sg3-utils and through the CLI (--raw: the reply bytes alone).
raw() {
  name=$1
  length=$2
  shift 2
  sg_raw -r "$length" -o "/out/sg_$name.bin" $D "$@" > /dev/null 2> "/out/sg_$name.err"
  tamarack-cli send --drive $D --cdb "$*" --in "$length" --raw > "/out/cli_$name.bin" 2> /dev/null
}
raw inquiry 96 12 00 00 00 60 00
raw inquiry36 36 12 00 00 00 24 00
raw capacity 8 25 00 00 00 00 00 00 00 00 00
raw toc 512 43 00 00 00 00 00 00 02 00 00
raw config 512 46 00 00 00 00 00 00 02 00 00
raw modesense 512 5a 00 2a 00 00 00 00 02 00 00
raw mechanism 512 bd 00 00 00 00 00 00 00 02 00 00 00
raw event 8 4a 01 00 00 10 00 00 00 08 00
sg_inq -r $D > /out/sg_inq.bin 2> /out/sg_inq.err
exit 0
