// A PulseAudio server of its own with one null sink, for browsers on a
// machine without a sound device: without one, Firefox ends playback with a
// decode error and keeps its AudioContext suspended. It runs in the
// foreground of a child process, as root too (CI), and listens on a socket
// in a private folder; env() gives the variables that point a browser at it.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawn, execFile } = require('node:child_process');

const kStartMs = 10000;

function answers(env) {
  return new Promise((resolve) => execFile('pactl', ['info'], { env, timeout: 2000 }, (error) => resolve(!error)));
}

// Resolves to { env, stop } once the server answers.
async function startPulse() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'sonaflux-pulse-'));
  const socket = path.join(folder, 'native');
  const env = { ...process.env, PULSE_SERVER: `unix:${socket}`, XDG_RUNTIME_DIR: folder, HOME: folder };
  const child = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
    '--disable-shm', '-F', '/dev/null', `--load=module-native-protocol-unix socket=${socket} auth-anonymous=1`,
    '--load=module-null-sink sink_name=silence', '--log-target=stderr'], { env, stdio: ['ignore', 'ignore', 'pipe'] });
  let log = '';
  child.stderr.on('data', (chunk) => { log += chunk; });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  let ended = false;
  exited.then(() => { ended = true; });
  const deadline = Date.now() + kStartMs;
  while (!(fs.existsSync(socket) && await answers(env))) {
    if (ended || Date.now() > deadline) {
      child.kill();
      throw new Error(`PulseAudio did not start:\n${log}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  return {
    env: { PULSE_SERVER: env.PULSE_SERVER },
    stop: async () => {
      if (!ended) child.kill('SIGTERM');
      await exited;
      fs.rmSync(folder, { recursive: true, force: true });
    },
  };
}

module.exports = { startPulse };
