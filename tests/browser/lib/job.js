// Runs real conversion jobs with the built command-line front end, each from
// a private copy of the program folder whose parameters file picks the mode.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

function programFolder() {
  const folder = process.env.SONAFLUX_PROGRAM_FOLDER;
  if (!folder || !fs.existsSync(path.join(folder, 'sonaflux-cli'))) {
    throw new Error('SONAFLUX_PROGRAM_FOLDER must name a built program folder (build/bin)');
  }
  return folder;
}

const tempFolders = [];

function makeTempFolder(prefix) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `sonaflux-${prefix}-`));
  tempFolders.push(folder);
  return folder;
}

function removeTempFolders() {
  for (const folder of tempFolders.splice(0)) fs.rmSync(folder, { recursive: true, force: true });
}

/// A 16-bit mono PCM WAV file of consecutive tones, one per entry of
/// `frequencies`, each `secondsEach` long, at the given sample rate.
function toneStepsWav(frequencies, secondsEach, sampleRate = 22050) {
  const perTone = Math.round(secondsEach * sampleRate);
  const samples = new Int16Array(perTone * frequencies.length);
  let phase = 0;
  frequencies.forEach((f, k) => {
    for (let i = 0; i < perTone; i++) {
      phase += (2 * Math.PI * f) / sampleRate;
      samples[k * perTone + i] = Math.round(Math.sin(phase) * 16000);
    }
  });
  const data = Buffer.from(samples.buffer);
  const header = Buffer.alloc(44);
  header.write('RIFF', 0, 'ascii');
  header.writeUInt32LE(36 + data.length, 4);
  header.write('WAVE', 8, 'ascii');
  header.write('fmt ', 12, 'ascii');
  header.writeUInt32LE(16, 16);
  header.writeUInt16LE(1, 20); // PCM
  header.writeUInt16LE(1, 22); // mono
  header.writeUInt32LE(sampleRate, 24);
  header.writeUInt32LE(sampleRate * 2, 28);
  header.writeUInt16LE(2, 32);
  header.writeUInt16LE(16, 34);
  header.write('data', 36, 'ascii');
  header.writeUInt32LE(data.length, 40);
  return Buffer.concat([header, data]);
}

/// The lines of the parameters file, CR LF each; pageFor (1 to 4) is the
/// fourteenth.
function parametersFile({ outputMode, controllerName = 'Classic01150040', instruction = 'c', pageFor = 1 }) {
  const lines = ['n', '/tmp/', String(outputMode), controllerName, instruction, '01', 'n',
    'FFFFFF', '000000', '1', 'y', 'y', 'y', String(pageFor)];
  return lines.map((l) => `${l}\r\n`).join('');
}

/// A private program folder whose parameters file holds the settings; the
/// player, which is only read, is shared.
function programCopy(settings) {
  const source = programFolder();
  const program = makeTempFolder('program');
  for (const name of fs.readdirSync(source)) {
    if (name === 'player') fs.symlinkSync(path.join(source, name), path.join(program, name));
    else fs.cpSync(path.join(source, name), path.join(program, name), { recursive: true });
  }
  fs.writeFileSync(path.join(program, 'snx.da0'), parametersFile(settings));
  return program;
}

/// The command line of a job converting wavBytes into a fresh output folder.
function jobCommand(wavBytes, settings, extraArgs = []) {
  const program = programCopy(settings);
  const folder = makeTempFolder('output');
  const input = path.join(makeTempFolder('input'), 'tones.wav');
  fs.writeFileSync(input, wavBytes);
  const args = ['--yes', '--title', 'Tone steps', '--output-folder', `${folder}/`, ...extraArgs, input];
  return { cli: path.join(program, 'sonaflux-cli'), args, folder, program };
}

function pageOf(folder) {
  const pages = fs.readdirSync(folder).filter((n) => n.endsWith('.htm'));
  if (pages.length !== 1) throw new Error(`expected one page in ${folder}, found ${pages.join(', ')}`);
  return { page: pages[0], base: pages[0].slice(0, -4) };
}

/// Converts wavBytes with the given settings; returns { folder, base, page }.
function runJob(wavBytes, settings, extraArgs = []) {
  const { cli, args, folder, program } = jobCommand(wavBytes, settings, extraArgs);
  execFileSync(cli, args, { stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000 });
  return { folder, program, ...pageOf(folder) };
}

/// Writes the controllers' preview page as the Options window does, into a
/// copy of the program folder's Controllers/, and returns that folder.
function writePreviewPage(backgroundColour, textColour) {
  const writer = process.env.SONAFLUX_PREVIEW_WRITER;
  if (!writer || !fs.existsSync(writer)) throw new Error('SONAFLUX_PREVIEW_WRITER must name the built write_preview_page');
  const program = makeTempFolder('preview');
  fs.cpSync(path.join(programFolder(), 'Controllers'), path.join(program, 'Controllers'), { recursive: true });
  execFileSync(writer, [program, backgroundColour, textColour], { stdio: ['ignore', 'pipe', 'pipe'] });
  return path.join(program, 'Controllers');
}

module.exports = {
  programFolder, makeTempFolder, removeTempFolders, toneStepsWav, runJob, jobCommand, pageOf, writePreviewPage,
};
