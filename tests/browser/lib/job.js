// Real jobs of the built command-line front end, each run from a private copy
// of the program folder whose parameters file picks the mode, and the
// programs that serve their output.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync, spawn } = require('node:child_process');

// What the build made, named by the environment ctest sets.
function built(variable, inside = '') {
  const named = process.env[variable];
  if (!named || !fs.existsSync(path.join(named, inside))) throw new Error(`${variable} must name what the build made`);
  return named;
}

const programFolder = () => built('SONAFLUX_PROGRAM_FOLDER', 'sonaflux-cli');

const tempFolders = [];

function makeTempFolder(prefix) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `sonaflux-${prefix}-`));
  tempFolders.push(folder);
  return folder;
}

function removeTempFolders() {
  for (const folder of tempFolders.splice(0)) fs.rmSync(folder, { recursive: true, force: true });
}

// A WAV file of consecutive tones, one a second, made by ffmpeg; returns its path.
function toneStepsWav(frequencies) {
  const file = path.join(makeTempFolder('input'), 'tones.wav');
  const hz = frequencies.reduceRight((rest, f, i) => `if(lt(t,${i + 1}),${f},${rest})`, 0);
  const source = `aevalsrc='0.5*sin(2*PI*t*${hz})':s=22050:d=${frequencies.length}`;
  execFileSync('ffmpeg', ['-v', 'error', '-f', 'lavfi', '-i', source, '-c:a', 'pcm_s16le', file]);
  return file;
}

// Converts input into a fresh output folder with settings; returns the
// folder, the one page written and its base name. The player, which is only
// read, is shared by the program copies.
function runJob(input, { outputMode, controllerName = 'Classic01150040', instruction = 'c', pageFor = 1 }) {
  const source = programFolder();
  const program = makeTempFolder('program');
  for (const name of fs.readdirSync(source)) {
    if (name === 'player') fs.symlinkSync(path.join(source, name), path.join(program, name));
    else fs.cpSync(path.join(source, name), path.join(program, name), { recursive: true });
  }
  const parameters = ['n', '/tmp/', outputMode, controllerName, instruction, '01', 'n', 'FFFFFF', '000000', '1',
    'y', 'y', 'y', pageFor];
  fs.writeFileSync(path.join(program, 'snx.da0'), parameters.map((l) => `${l}\r\n`).join(''));
  const folder = makeTempFolder('output');
  execFileSync(path.join(program, 'sonaflux-cli'), ['--yes', '--title', 'Tone steps', '--output-folder', `${folder}/`,
    input], { stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000 });
  const pages = fs.readdirSync(folder).filter((n) => n.endsWith('.htm'));
  if (pages.length !== 1) throw new Error(`expected one page in ${folder}, found ${pages.join(', ')}`);
  return { folder, page: pages[0], base: pages[0].slice(0, -4) };
}

// Writes the controllers' preview page as the Options window does, into a
// copy of the program folder's Controllers/, and returns that folder.
function writePreviewPage(backgroundColour, textColour) {
  const program = makeTempFolder('preview');
  fs.cpSync(path.join(programFolder(), 'Controllers'), path.join(program, 'Controllers'), { recursive: true });
  execFileSync(built('SONAFLUX_PREVIEW_WRITER'), [program, backgroundColour, textColour], { stdio: 'pipe' });
  return path.join(program, 'Controllers');
}

// Resolves to { match, exited } once the output of child matches pattern,
// exited resolving when child ends; ends child if it does not within 10 s.
function whenStarted(child, pattern, what) {
  let output = '';
  const exited = new Promise((resolve) => child.on('exit', resolve));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => child.kill(), 10000);
    exited.then((code) => reject(new Error(`${what} ended (${code}) or did not start within 10 s:\n${output}`)));
    const read = (chunk) => {
      output += chunk;
      const match = pattern.exec(output);
      if (!match) return;
      clearTimeout(timer);
      resolve({ match, exited });
    };
    child.stdout.on('data', read);
    child.stderr.on('data', read);
  });
}

// The program's preview server alone, serving page of folder; resolves once
// it serves, to { address, stop }.
async function servePage(folder, page) {
  const child = spawn(built('SONAFLUX_PREVIEW_SERVE'), [path.join(programFolder(), 'player'), folder, page]);
  const { match, exited } = await whenStarted(child, /Serving (\S+)/, 'the preview server');
  return { address: match[1], stop: () => {
    child.stdin.end('\n');
    return exited;
  } };
}

// One slow line shared by every answer, as over a modem: bytesPerSecond in
// total, handed out in small slices. send(res, data) queues an answer's
// bytes; stop() ends the line.
function slowLine(bytesPerSecond) {
  const kTickMs = 20;
  const sending = [];
  // By the time gone, not the ticks: on a busy machine ticks come late.
  let last = Date.now();
  const timer = setInterval(() => {
    const now = Date.now();
    let budget = Math.round((bytesPerSecond * (now - last)) / 1000);
    last = now;
    while (budget > 0 && sending.length > 0) {
      const job = sending[0];
      const n = Math.min(budget, job.data.length - job.at);
      job.res.write(job.data.subarray(job.at, job.at + n));
      job.at += n;
      budget -= n;
      sending.shift();
      if (job.at < job.data.length) sending.push(job);
      else job.res.end();
    }
  }, kTickMs);
  return {
    send: (res, data) => sending.push({ res, data, at: 0 }),
    stop: () => clearInterval(timer),
  };
}

module.exports = {
  slowLine,
  programFolder, makeTempFolder, removeTempFolders, toneStepsWav, runJob, writePreviewPage, whenStarted, servePage,
};
