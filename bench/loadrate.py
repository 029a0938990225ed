"""Whole sessions per second: `concurrency` threads each run one session after
another until the time is up; a session that raises one of `errors` counts as
an error, not as done."""
import threading
import time


def sessions_per_second(one_session, concurrency, seconds, errors=(OSError,)):
    done = [0]
    failed = [0]
    lock = threading.Lock()
    deadline = time.monotonic() + seconds

    def worker():
        while time.monotonic() < deadline:
            try:
                one_session()
                with lock:
                    done[0] += 1
            except errors:
                with lock:
                    failed[0] += 1

    started = time.monotonic()
    threads = [threading.Thread(target=worker) for _ in range(concurrency)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return done[0] / (time.monotonic() - started), failed[0]
