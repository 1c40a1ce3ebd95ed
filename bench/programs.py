#!/usr/bin/python3
"""Figures for programs that play through Lantern (a benchmark, not a test).

    bench/programs.py [--build DIR] [--repeat N] [--games N] [STORY [WALKTHROUGH]]

Replays a walkthrough (one command a line) through the Python module and through
`lantern --json`, and prints commands per second for each; then the time of state() and
set_state() together, and the memory of many games open at once in one process. Rates are given
by the processor time the games took (the module's process, or the --json child) and by the
clock, which a busy machine slows. The build
folder (default build-release) holds the module (python/) and the program (app/lantern). The
default story is Zork II from the shared stories with bench/walkthroughs/zork2.txt, played with
seed 1. Host instructions per Z-instruction are measured by bench/compare.sh --callgrind.
"""
import argparse
import json
import os
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def commands_of(path):
    with open(path, encoding="utf-8") as walkthrough:
        return [line.rstrip("\n") for line in walkthrough if line.strip()]


def module_rate(lantern, story, commands, repeat):
    game = lantern.Story(story, seed=1)
    start, cpu = time.perf_counter(), time.process_time()
    for _ in range(repeat):
        game.reset()
        for command in commands:
            game.step(command)
    count = repeat * len(commands)
    return (count / (time.process_time() - cpu), count / (time.perf_counter() - start),
            game.score, game.moves)


def json_rate(program, story, commands, repeat):
    requests = []
    for round_number in range(repeat):
        if round_number > 0:
            requests.append(json.dumps({"restart": True}))
        requests.extend(json.dumps({"input": command}) for command in commands)
    requests.append(json.dumps({"quit": True}))
    data = ("\n".join(requests) + "\n").encode()
    process = subprocess.Popen([program, "--json", "--seed", "1", story],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    start = time.perf_counter()
    writer = threading.Thread(target=lambda: (process.stdin.write(data), process.stdin.close()))
    writer.start()
    replies = process.stdout.read().decode().splitlines()
    elapsed = time.perf_counter() - start
    writer.join()
    _, status, usage = os.wait4(process.pid, 0)
    last = json.loads(replies[-1])
    errors = sum(1 for reply in replies if '"error"' in reply[:10])
    count = repeat * len(commands)
    return (count / (usage.ru_utime + usage.ru_stime), count / elapsed, last.get("score"),
            last.get("moves"), errors)


def state_time(lantern, story, commands, rounds):
    game = lantern.Story(story, seed=1)
    for command in commands[: len(commands) // 2]:
        game.step(command)
    start, cpu = time.perf_counter(), time.process_time()
    for _ in range(rounds):
        game.set_state(game.state())
    return ((time.process_time() - cpu) / rounds * 1e6,
            (time.perf_counter() - start) / rounds * 1e6)


def many_games(build, story, commands, games):
    # In a process of its own, so that its peak memory is the games'.
    script = (
        "import resource, sys, lantern\n"
        "games = [lantern.Story(sys.argv[1], seed=n) for n in range(int(sys.argv[2]))]\n"
        "for game in games:\n"
        "    for command in sys.argv[3:]:\n"
        "        game.step(command)\n"
        "print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)\n")
    environment = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    output = subprocess.run([sys.executable, "-c", script, story, str(games)] + commands[:10],
                            env=environment, capture_output=True, text=True, check=True)
    return int(output.stdout.strip()) * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build-release"))
    parser.add_argument("--repeat", type=int, default=20)
    parser.add_argument("--games", type=int, default=1000)
    parser.add_argument("story", nargs="?",
                        default=os.path.join(ROOT, "..", "shared", "stories", "zork2.z3"))
    parser.add_argument("walkthrough", nargs="?",
                        default=os.path.join(HERE, "walkthroughs", "zork2.txt"))
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    sys.path.insert(0, os.path.join(build, "python"))
    import lantern

    commands = commands_of(options.walkthrough)
    print(f"{os.path.basename(options.story)}: {len(commands)} commands, "
          f"{options.repeat} times, seed 1 ({build})")
    cpu, clock, score, moves = module_rate(lantern, options.story, commands, options.repeat)
    print(f"module:  {cpu:9.0f} commands/s of processor time ({clock:.0f} by the clock; "
          f"score {score}, moves {moves})")
    cpu, clock, score, moves, errors = json_rate(os.path.join(build, "app", "lantern"),
                                                 options.story, commands, options.repeat)
    print(f"--json:  {cpu:9.0f} commands/s of processor time ({clock:.0f} by the clock; "
          f"score {score}, moves {moves}, {errors} error replies)")
    cpu, clock = state_time(lantern, options.story, commands, 20000)
    print(f"state() + set_state(): {cpu:.1f} us of processor time ({clock:.1f} by the clock)")
    peak = many_games(build, options.story, commands, options.games)
    print(f"{options.games} games open in one process: {peak / 2**30:.2f} GiB peak "
          f"({peak / options.games / 2**10:.0f} KiB a game)")


if __name__ == "__main__":
    main()
