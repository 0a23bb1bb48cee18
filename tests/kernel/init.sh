#!/bin/busybox sh
# PID 1 of the test machine: sets the machine up, loads the IR modules, runs
# the checks (or the --decode files) and powers off. Lines meant for the host
# start with "kt: ".
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
mkdir -p /etc
echo "root:x:0:0::/:/bin/sh" >/etc/passwd
echo "user:x:1000:1000::/tmp:/bin/sh" >>/etc/passwd
printf 'root:x:0:\nuser:x:1000:\n' >/etc/group
say() { echo "kt: $*" >/dev/console; }
echo >/dev/console # off the line the firmware's screen codes are on

# rc-core, rc-loopback and the decoders of the protocols the tools know.
for m in rc-core rc-loopback ir-nec-decoder ir-rc5-decoder ir-rc6-decoder ir-jvc-decoder \
    ir-sony-decoder ir-sanyo-decoder ir-sharp-decoder; do
    insmod /mod/$m.ko || say "FAIL setup: insmod $m"
done
# All their decoders on (the checks pick one at a time).
for p in /sys/class/rc/rc*/protocols; do
    echo "+rc-5 +rc-5-sz +nec +rc-6 +jvc +sony +sanyo +sharp" >"$p"
done

if [ "$(cat /mode)" = decode ]; then
    n=0
    while read -r name; do
        n=$((n + 1))
        say "== $name"
        lirc_probe raw /decode/$n 2>&1 | while read -r line; do say "$line"; done
    done </decode/names
else
    . /checks.sh
    say DONE
fi
poweroff -f
