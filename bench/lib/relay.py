#!/usr/bin/python3
"""A TCP relay that puts a round-trip time (and, when asked, a rate limit) in front of a local server,
so that benchmarks on one machine meet hosts that are far away.

    relay.py UPSTREAM_HOST:PORT ROUTE...
    ROUTE = LISTEN_HOST:PORT:RTT_MS[:RATE_BYTES_PER_S]

Every byte crosses the relay half the round trip late in each direction, and the first request of a
connection one more round trip late, for the handshake that the kernel has already answered. A rate
(0 or absent: none) is one token bucket per route, shared by its connections the way they share a link;
it paces the answers only. Prints "ready" once every route listens; ends on SIGTERM or SIGINT.
"""
import asyncio
import signal
import sys
import time

CHUNK = 16 * 1024
QUEUED_CHUNKS = 256  # per direction of a connection: 4 MiB in flight before the reader waits


class Link:
    """The pacing of one route's answers: a chunk leaves once the ones before it have been sent."""

    def __init__(self, rate):
        self.rate = rate
        self.free_at = 0.0

    async def send_slot(self, size):
        if self.rate <= 0:
            return
        now = time.monotonic()
        self.free_at = max(self.free_at, now) + size / self.rate
        await asyncio.sleep(self.free_at - now)


async def pump(reader, writer, delay, first_extra, link):
    queue = asyncio.Queue(QUEUED_CHUNKS)

    async def read():
        extra = first_extra
        while True:
            data = await reader.read(CHUNK)
            await queue.put((time.monotonic() + delay + extra, data))
            extra = 0.0
            if not data:
                return

    async def write():
        while True:
            due, data = await queue.get()
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            if link is not None:
                await link.send_slot(len(data))
            writer.write(data)
            await writer.drain()

    try:
        await asyncio.gather(read(), write())
    except (ConnectionError, OSError):
        pass


async def serve(upstream, client_reader, client_writer, rtt, link):
    try:
        server_reader, server_writer = await asyncio.open_connection(*upstream)
    except OSError:
        client_writer.close()
        return
    try:
        await asyncio.gather(
            pump(client_reader, server_writer, rtt / 2, rtt, None),
            pump(server_reader, client_writer, rtt / 2, 0.0, link),
        )
    finally:
        for writer in (server_writer, client_writer):
            writer.close()


async def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    host, port = argv[0].rsplit(":", 1)
    upstream = (host, int(port))
    servers = []
    for route in argv[1:]:
        parts = route.split(":")
        listen_host, listen_port, rtt_ms = parts[0], int(parts[1]), float(parts[2])
        link = Link(float(parts[3]) if len(parts) > 3 else 0.0)
        rtt = rtt_ms / 1000.0

        def handler(r, w, rtt=rtt, link=link):
            return serve(upstream, r, w, rtt, link)

        servers.append(await asyncio.start_server(handler, listen_host, listen_port, backlog=1024))
    print("ready", flush=True)
    done = asyncio.Event()
    loop = asyncio.get_running_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, done.set)
    await done.wait()
    for server in servers:
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(asyncio.run(main(sys.argv[1:])))
