#!/usr/bin/env python3
"""Makes every mount of the calling process's mount namespace private, then
runs a command. Meant to run right after `unshare --mount --propagation
unchanged` where "/" is no mount point (a chroot): mount(2) can then not name
the mount that holds "/", so the process briefly leaves its root for the
namespace's own root, makes the whole tree private there, and returns to its
root before it runs the command. Nothing mounted afterwards reaches the host.
Usage: private-mounts.py command [args...]"""
import os
import subprocess
import sys
import tempfile

own_root = os.open("/", os.O_RDONLY | os.O_DIRECTORY)
step = tempfile.mkdtemp(prefix="private-mounts-")
os.chroot(step)
os.fchdir(own_root)
for _ in range(256):
    os.chdir("..")
os.chroot(".")
os.rmdir(os.path.join(os.readlink(f"/proc/self/fd/{own_root}"), step.lstrip("/")))
subprocess.run(["mount", "--make-rprivate", "/"], check=True)
os.chroot(os.readlink(f"/proc/self/fd/{own_root}"))
os.chdir("/")
os.close(own_root)
os.execvp(sys.argv[1], sys.argv[1:])
