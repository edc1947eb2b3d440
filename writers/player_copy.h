#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// The folder of the browser player's files, in the program folder and
/// beside a page that loads the copy.
inline constexpr const char* kPlayerFolderName = "player";
/// The script a page loads to start the player.
inline constexpr const char* kPlayerScriptName = "ruffle.js";
/// Where anyone's browser can load the player from.
inline constexpr const char* kPlayerPublicAddress = "https://unpkg.com/@ruffle-rs/ruffle";

/// The inline script a page runs before the player's: the player starts the
/// sound without waiting for its own button, which browsers whose audio
/// starts slowly would otherwise show. Where the browser blocks sound until
/// the visitor acts, a click or key anywhere starts it, and a bare page (whose
/// animation has no size to click) says so in one line until it does.
inline constexpr const char* kPlayerStartScript =
    "window.RufflePlayer=window.RufflePlayer||{};"
    "window.RufflePlayer.config=Object.assign({autoplay:\"on\",unmuteOverlay:\"hidden\",splashScreen:false},"
    "window.RufflePlayer.config);"
    "(function(){var Base=window.AudioContext,contexts=[],bare=false,note=null;if(!Base)return;"
    "function waiting(){return contexts.some(function(c){return c.state===\"suspended\";});}"
    "function show(){if(waiting()&&bare&&!note&&document.body){note=document.createElement(\"p\");"
    "note.textContent=\"Click anywhere or press a key to start the sound.\";"
    "document.body.insertBefore(note,document.body.firstChild);}"
    "else if(!waiting()&&note){note.remove();note=null;}}"
    "function start(){contexts.forEach(function(c){if(c.state===\"suspended\")c.resume().then(show);});}"
    "window.AudioContext=class extends Base{constructor(...a){super(...a);contexts.push(this);"
    "this.addEventListener(\"statechange\",show);setTimeout(show,1500);}};"
    "document.addEventListener(\"DOMContentLoaded\",function(){"
    "bare=!!document.querySelector(\"embed[width='0'],object[width='0']\");});"
    "addEventListener(\"click\",start,true);addEventListener(\"keydown\",start,true);})();";

/// programFolder + "player/".
std::string programPlayerFolder(const std::string& programFolder);

/// Copies the program's player folder into the output folder, once: an
/// output folder that already holds the player keeps it. A failed copy
/// leaves nothing behind and fails the job.
void copyPlayerBesidePage(AppContext& ctx);

}  // namespace sonaflux
