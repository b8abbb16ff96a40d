"""What a run reads, as the page cache sees it: files evicted before, their
resident bytes after (read-ahead included)."""
import os
import subprocess


def evict(paths):
    subprocess.run(["sync"])
    for p in paths:
        fd = os.open(p, os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)


def resident(paths):
    out = subprocess.run(["fincore", "-b", "-n", "-o", "RES", *paths], capture_output=True, text=True).stdout
    return sum(int(x) for x in out.split())
