// Programs that serve a folder until told to stop: the command-line front
// end with --open, the preview server alone, a plain static server.
'use strict';

const { spawn } = require('node:child_process');

/// Starts command and waits until its output matches pattern (group 1 is
/// the address); stop() ends it and resolves to its exit code.
function startServing(command, args, { pattern = /Serving (\S+)/, env = process.env, stop = 'enter' } = {}) {
  const child = spawn(command, args, { stdio: ['pipe', 'pipe', 'pipe'], env });
  let output = '';
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${command} did not start serving:\n${output}`)), 60000);
    const onData = (chunk) => {
      output += chunk;
      const match = pattern.exec(output);
      if (!match) return;
      clearTimeout(timer);
      resolve({
        address: match[1],
        output: () => output,
        stop: async () => {
          if (stop === 'enter') child.stdin.end('\n');
          else child.kill('SIGTERM');
          return exited;
        },
      });
    };
    child.stdout.on('data', onData);
    child.stderr.on('data', (chunk) => { output += chunk; });
    child.on('exit', (code) => reject(new Error(`${command} ended (${code}) before serving:\n${output}`)));
  });
}

module.exports = { startServing };
