// The developer tools' console hook in the inspected page: pv previews a value as text, and
// hookConsole, once per page, wraps the console and catches uncaught errors into the buffer
// __cvdt that the pane drains. Loaded by the pane, which sends both with each request, and
// injected by the core at the start of every document of the inspected tab while the pane is
// open, so that what a page logs or throws while it loads is kept too.
'use strict';
const pv=(v,d)=>{try{
if(v===null)return 'null';if(v===undefined)return 'undefined';const t=typeof v;
if(t==='string'){if(d===0)return v;return JSON.stringify(v.length>300?v.slice(0,300)+'\u2026':v)}
if(t==='number'||t==='boolean'||t==='bigint'||t==='symbol')return String(v);
if(t==='function')return '\u0192 '+(v.name||'anonymous')+'()';
if(v instanceof Error)return v.name+': '+v.message;
if(v instanceof Element)return '<'+v.tagName.toLowerCase()+(v.id?'#'+v.id:'')+
(v.classList.length?'.'+[...v.classList].join('.'):'')+'>';
if(v instanceof Promise)return 'Promise';
if(Array.isArray(v)){if(d>2)return '[\u2026]';return '['+v.slice(0,50).map(x=>pv(x,d+1)).join(', ')+
(v.length>50?', \u2026':'')+']'}
if(d>2)return '{\u2026}';const c=v.constructor&&v.constructor.name,k=Object.keys(v);
return (c&&c!=='Object'?c+' ':'')+'{'+k.slice(0,30).map(x=>x+': '+pv(v[x],d+1)).join(', ')+
(k.length>30?', \u2026':'')+'}'}catch(e){return '[object]'}};
const hookConsole=()=>{if(window.__cvdt)return;const b=[];const put=(l,t)=>{if(b.length<2000)b.push([l,t])};
Object.defineProperty(window,'__cvdt',{value:b,configurable:true,enumerable:false,writable:true});
for(const l of ['log','info','warn','error','debug']){const o=console[l];
console[l]=function(...a){put(l,a.map(x=>pv(x,0)).join(' '));return o.apply(this,a)}}
addEventListener('error',e=>put('error',(e.message||'Error')+(e.filename?' ('+e.filename+':'+e.lineno+')':'')));
addEventListener('unhandledrejection',e=>put('error','Uncaught (in promise) '+pv(e.reason,0)))};
