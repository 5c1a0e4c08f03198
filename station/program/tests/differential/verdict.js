// What js-aprs-fap, an independent APRS parser, makes of each packet of the corpus: the log
// line the host should write for it when heard on APRS-IS and when heard over KISS, and the
// KISS frame that carries it on the air. The differential test plays the same packets to
// quillet-host and compares.
//   node verdict.js MODULE_DIR CORPUS > verdicts.json
'use strict';
const fs = require('fs');
const path = require('path');
const fap = require(path.join(process.argv[2], 'node_modules', 'js-aprs-fap'));

const parser = new fap.aprsParser();
const kiss = new fap.KissUtil();

// Corpus lines are TNC2 text with "\xNN" for any byte and "\\" for a backslash; each char of
// the result is one byte.
function bytesOf(escaped) {
    return escaped.replace(/\\(x[0-9A-Fa-f]{2}|\\)/g,
                           (_, e) => e === '\\' ? '\\' : String.fromCharCode(parseInt(e.slice(1), 16)));
}

// The host's bulletin addressee: BLN alone, or BLN, a digit or capital, and up to 5 more
// printable ASCII characters without : | ~ { and not ending in a blank.
function isBulletinAddressee(a) {
    return a === 'BLN' || /^BLN[0-9A-Z](?:[ -~]{0,4}[!-~])?$/.test(a) && !/[:|~{]/.test(a);
}

// The log line for a packet as js-aprs-fap reads it, the inner packet of a third-party
// packet counting; null when it is no bulletin.
function logLine(tnc2, isax25) {
    let packet = parser.parseaprs(tnc2, { isax25 });
    while (packet.digipeaters !== undefined && packet.body && packet.body[0] === '}') {
        packet = parser.parseaprs(packet.body.substring(1), { isax25: false });
    }
    if (packet.resultCode || packet.message === undefined ||
        !isBulletinAddressee(packet.destination)) {
        return null;
    }
    return [packet.sourceCallsign, packet.destination, packet.message];
}

// An AX.25 address field: the call shifted left, padded with blanks, then the SSID byte.
function address(text, last, isDestination) {
    const m = /^([A-Z0-9]{1,6})(?:-([0-9]{1,2}))?(\*?)$/.exec(text);
    if (!m || Number(m[2] || 0) > 15) {
        return null;
    }
    let out = '';
    for (const c of m[1].padEnd(6, ' ')) {
        out += String.fromCharCode(c.charCodeAt(0) << 1);
    }
    const ssid = 0x60 | (Number(m[2] || 0) << 1) | (last ? 1 : 0) | (m[3] || isDestination ? 0x80 : 0);
    return out + String.fromCharCode(ssid);
}

// The UI frame of a TNC2 packet in KISS, or null when its header does not fit AX.25.
function kissFrame(tnc2) {
    const colon = tnc2.indexOf(':');
    const gt = tnc2.indexOf('>');
    if (colon < 0 || gt < 0 || gt > colon) {
        return null;
    }
    const calls = tnc2.substring(gt + 1, colon).split(',');
    const all = [calls[0], tnc2.substring(0, gt), ...calls.slice(1)];
    if (all.length > 10 || all[1].endsWith('*')) {
        return null;
    }
    let frame = '';
    for (let i = 0; i < all.length; ++i) {
        const field = address(all[i], i === all.length - 1, i === 0);
        if (field === null) {
            return null;
        }
        frame += field;
    }
    frame += '\x03\xF0' + tnc2.substring(colon + 1);
    return '\xC0\x00' + frame.replace(/\xDB/g, '\xDB\xDD').replace(/\xC0/g, '\xDB\xDC') + '\xC0';
}

function kissLogLine(frame) {
    let tnc2;
    try {
        tnc2 = kiss.kissToTnc2('\x00' + frame.slice(2, -1).replace(/\xDB\xDC/g, '\xC0').replace(/\xDB\xDD/g, '\xDB'));
    } catch (e) {
        return null;
    }
    return tnc2 ? logLine(tnc2, true) : null;
}

const hex = (bytes) => Buffer.from(bytes, 'latin1').toString('hex');
const verdicts = [];
for (const escaped of fs.readFileSync(process.argv[3], 'latin1').split('\n')) {
    if (escaped === '' || escaped.startsWith('#')) {
        continue;
    }
    const bytes = bytesOf(escaped);
    const index = verdicts.length;
    const isMarker = `ZZ9MRK>APRS::BLN      :is ${index}`;
    const kissMarker = `ZZ9MRK>APRS::BLN      :kiss ${index}`;
    const frame = kissFrame(bytes);
    verdicts.push({
        packet: escaped,
        // An APRS-IS line ends at its line end: a packet holding one goes over KISS only.
        is: /[\r\n]/.test(bytes) ? null : { bytes: hex(bytes + '\r\n' + isMarker + '\r\n'), logged: logLine(bytes, false) },
        kiss: frame === null ? null : { bytes: hex(frame + kissFrame(kissMarker)), logged: kissLogLine(frame) },
    });
}
process.stdout.write(JSON.stringify(verdicts));
