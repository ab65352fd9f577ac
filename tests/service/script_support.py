"""What the service's test scripts share: a failed check, and waiting for
a condition with a bound."""
import time


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(condition, seconds, what, step=0.5):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return
        time.sleep(step)
    raise Failure(f"not within {seconds} s: {what}")
