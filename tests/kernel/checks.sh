# The checks, run by /init inside the test machine with rc-loopback loaded as
# /dev/lirc0. Sourced: say() prints a line for the host. One "PASS NAME" or
# "FAIL NAME: what happened" line per check.
#
# rc-loopback feeds what is sent straight back to its receiver: emitter 1
# reaches the regular receiver, emitter 2 the learning (wideband) one, and
# the emitter mask stays as the last sender left it. With carrier reports on,
# the 6.1 driver turns the silence after a send into a second carrier report:
# the decoders never see the end of the last frame (it is not decoded) and
# take the next send's first pulse for the rest of it, so after a recording
# (irrecord.exe switches reports on) reset_decoders sends one short pulse.

export XDG_STATE_HOME=/tmp/state
export LUMO_IR_WAIT=10
mkdir -p /tmp/state /tmp/files
cd /tmp/files

pass() { say "PASS $1"; }
fail() { say "FAIL $1: $2"; }
check() { # NAME TEST-RESULT DETAIL
    if [ "$2" = 0 ]; then pass "$1"; else fail "$1" "$3"; fi
}
# The decoded frames of lirc_probe's output, one "PROTOCOL 0xSCANCODE" per line.
frames() { echo "$1" | grep -v '^exit ' | cut -d' ' -f1,2; }
exit_of() { echo "$1" | sed -n 's/^exit //p'; }
oneline() { echo "$1" | tr '\n' ' ' | sed 's/ *$//'; }
echo "pulse 100" >/tmp/reset.ir
reset_decoders() { lirc_probe raw /tmp/reset.ir >/dev/null; }
lirc_probe mask 1

# Only the decoder of the protocol under test: some decode others' frames too
# (rc5_sz takes sony15 frames for its own, sony takes parts of rc6 ones).
decoder_only() {
    case $1 in
        nec*) d=nec ;; rc5_sz) d=rc-5-sz ;; rc5*) d=rc-5 ;; rc6*) d=rc-6 ;; sony*) d=sony ;; *) d=$1 ;;
    esac
    for p in /sys/class/rc/rc*/protocols; do echo "$d" >"$p"; done
}

carrier_of() {
    case $1 in rc5* | rc6*) echo 36000 ;; sony*) echo 40000 ;; *) echo 38000 ;; esac
}

# play NAME FILE PROTOCOL SCANCODE: irplay.exe FILE exits 0 and the kernel
# decodes PROTOCOL SCANCODE and nothing else, in one frame (sony: 3 or more).
play() {
    out=$(lirc_probe decode irplay.exe "$2" 2>&1)
    got=$(frames "$out")
    n=$(echo "$got" | grep -c .)
    case $3 in sony*) min=3 ;; *) min=1 ;; esac
    [ "$(exit_of "$out")" = 0 ] && [ "$(echo "$got" | sort -u)" = "$3 $4" ] && [ "$n" -ge $min ] \
        && { [ $min = 3 ] || [ "$n" = 1 ]; }
    check "$1" $? "$(oneline "$out")"
}

# record FILE MASK PROGRAM ARG...: irrecord.exe FILE while PROGRAM sends on
# emitters MASK. Until irrecord has switched learning mode on, a send to
# emitter 2 reaches no one, so it is repeated, further apart than irrecord
# takes to end a signal (400 ms of silence here: the driver's timeout report
# became a carrier report). Sets rec to irrecord's exit code.
record() {
    out=$1
    lirc_probe mask $2
    shift 2
    rm -f /tmp/recorded
    (
        sleep 0.2
        for i in 1 2 3 4 5 6 7 8; do
            "$@"
            for j in 1 2 3 4 5 6 7 8 9 10; do
                sleep 0.1
                [ -e /tmp/recorded ] && exit
            done
        done
    ) &
    irrecord.exe $out 2>/tmp/record.err
    rec=$?
    touch /tmp/recorded
    wait
    lirc_probe mask 1
    reset_decoders
}
# "# decoded" and "carrier" lines of a recording, when it went well.
learned_lines() { [ $rec = 0 ] && [ ! -s /tmp/record.err ] && grep '^# decoded \|^carrier ' $1; }

# ---- each protocol the kernel decodes ----------------------------------------------

# /scancodes: "PROTOCOL LOWEST HIGHEST RANDOM" per protocol (from the host).
while read -r proto low high sc; do
    decoder_only "$proto"

    # Our scancode lines, sent by irplay.exe, decoded by the kernel.
    for code in "$low" "$high" "$sc"; do
        echo "scancode $proto:$code" >sc.ir
        play "scancode $proto:$code" sc.ir "$proto" "$code"
    done

    # The toggle flips from one play to the next where the kernel knows one.
    case $proto in rc5* | rc6_0 | rc6_mce)
        a=$(lirc_probe decode irplay.exe sc.ir | grep -c " toggle")
        b=$(lirc_probe decode irplay.exe sc.ir | grep -c " toggle")
        check "toggle flips $proto:$sc" $((a + b == 1 ? 0 : 1)) "toggled frames: $a, then $b"
        ;;
    esac

    # The kernel's encoder, sent to the learning receiver and recorded by
    # irrecord.exe: the same command and the carrier the kernel sent it on,
    # nothing said on stderr.
    name="kernel's $proto:$sc recorded"
    learned=learned-$proto.ir
    record $learned 2 lirc_probe send "$proto" "$sc"
    got=$(learned_lines $learned)
    [ "$got" = "$(printf '# decoded %s:%s\ncarrier %s' "$proto" "$sc" "$(carrier_of "$proto")")" ]
    check "$name" $? "exit $rec, $(oneline "$(cat /tmp/record.err) $got")"

    # Learning mode and carrier reports are off again: the regular receiver
    # hears the regular emitter, and decodes a single frame (with reports on
    # its end would not reach the decoders).
    out=$(lirc_probe decode lirc_probe send "$proto" "$sc")
    [ "$(frames "$out")" = "$proto $sc" ]
    check "$name: receiver back to normal" $? "$(oneline "$out")"

    # What was learned, played back: the same command, and, recorded again
    # (irrecord.exe with carrier reports on, emitters 1 and 2), the same
    # command on the learned carrier.
    play "$proto learned, replayed" $learned "$proto" "$sc"
    record again.ir 3 irplay.exe $learned
    again=$(learned_lines again.ir)
    [ -n "$again" ] && [ "$again" = "$(grep '^# decoded \|^carrier ' $learned)" ]
    check "$proto learned, replayed, learned again alike" $? "exit $rec, $(oneline "$(cat /tmp/record.err) $again")"
done </scancodes

# ---- long signals -------------------------------------------------------------------

decoder_only nec
# 20 NEC frames (nec:0x1234) 40 ms apart: 1359 values in 2.1 s, more than one
# write may carry, so irplay.exe sends them in several, pausing for the gaps.
awk 'BEGIN {
    split("18 237 52 203", bytes, " ")
    for (i = 0; i < 8; i++) d[i] = i ? 2 * d[i - 1] : 1
    for (f = 0; f < 20; f++) {
        if (f) print "space 40000"
        print "pulse 9000"; print "space 4500"
        for (b = 1; b <= 4; b++)
            for (i = 0; i < 8; i++) {
                print "pulse 560"
                print "space " (int(bytes[b] / d[i]) % 2 ? 1690 : 560)
            }
        print "pulse 560"
    }
}' >nec20.ir
# Every frame arrives, and no write starts before the signal's timing says it
# may (rc-loopback decodes all frames of a write the moment it is written).
# A frame is 9000 + 4500 + 48 * 560 + 16 * 1690 + 560 us, then the gap.
out=$(lirc_probe decode -t irplay.exe nec20.ir 2>&1)
# Prints by how much a write started later than the signal's timing after the
# one before, at most.
late=$(echo "$out" | awk -v period=$((9000 + 4500 + 48 * 560 + 16 * 1690 + 560 + 40000)) '
    / at / { if ($1 " " $2 != "nec 0x1234") bad = 1
             t = $4; if (n && t - prev > 10000) { d = t - n * period; writes++
                 if (d < -1000) bad = 1; if (d - last > max) max = d - last; last = d }
             prev = t; n++ }
    END { if (n != 20 || writes < 2 || bad) print "bad"; else print int(max / 100) / 10 }')
[ "$(exit_of "$out")" = 0 ] && [ "$late" != bad ]
check "20 frames in 2.1 s, in several writes, each frame in time (a write up to $late ms late)" $? \
    "$(oneline "$out")"

# ---- faults on the real device --------------------------------------------------------

old="# kept
pulse 560
space 560
pulse 560"
mkdir -p /tmp/rec
# FILE as it was and nothing else beside it.
kept() { [ "$(cat /tmp/rec/keep.ir)" = "$old" ] && [ "$(ls -A /tmp/rec)" = keep.ir ]; }

err=$(LUMO_IR_DEVICE=/dev/lirc7 irrecord.exe /tmp/rec/x.ir 2>&1)
rc=$?
[ $rc = 6 ] && echo "$err" | grep -q "no IR device at '/dev/lirc7'"
check "no device: exit 6" $? "exit $rc: $err"

# /dev/lirc0 is root's alone (no udev here); "user" is uid 1000.
echo "scancode nec:0x1234" >/tmp/nec.ir
chmod 644 /tmp/nec.ir
for tool in irrecord.exe irplay.exe; do
    err=$(su -s /bin/sh -c "$tool /tmp/nec.ir" user 2>&1)
    rc=$?
    [ $rc = 7 ] && echo "$err" | grep -q 'no permission to use IR device.*uaccess.*usermod'
    check "$tool as a user without access: exit 7 with the udev hint" $? "exit $rc: $err"
done

echo "$old" >/tmp/rec/keep.ir
err=$(LUMO_IR_WAIT=0.5 irrecord.exe /tmp/rec/keep.ir 2>&1)
rc=$?
[ $rc = 3 ] && echo "$err" | grep -q 'no IR signal received within 500.0 ms' && kept
check "no signal: exit 3" $? "exit $rc: $err; $(ls -A /tmp/rec)"

# rmmod MS PROGRAM ARG...: runs PROGRAM, removes rc-loopback after MS ms and
# loads it again once PROGRAM ended; sets rc and err.
rmmod_during() {
    ms=$1
    shift
    "$@" 2>/tmp/fault.err &
    pid=$!
    usleep $((ms * 1000))
    rmmod rc-loopback || say "rmmod rc-loopback failed"
    wait $pid
    rc=$?
    err=$(cat /tmp/fault.err)
    insmod /mod/rc-loopback.ko || say "insmod rc-loopback failed"
    decoder_only nec
}
rmmod_during 500 irrecord.exe /tmp/rec/keep.ir
[ $rc = 10 ] && echo "$err" | grep -q 'stopped working (No such device); was it unplugged?' && kept
check "module removed while recording: exit 10, FILE kept, no temporary" $? "exit $rc: $err; $(ls -A /tmp/rec)"

rmmod_during 800 irplay.exe nec20.ir
[ $rc = 10 ] && echo "$err" | grep -q "stopped after sending [0-9]* of the signal's 20 frames: No such device"
check "module removed while sending: exit 10, telling how far it got" $? "exit $rc: $err"

# The device is back and works as before.
out=$(lirc_probe decode irplay.exe /tmp/nec.ir)
[ "$(frames "$out")" = "nec 0x1234" ]
check "rc-loopback loaded again, sending works" $? "$(oneline "$out")"
